#include "RunDialog.h"

int main(int argc, char** argv)
{
    return vantrel::RunDialog(argc, argv);
}
