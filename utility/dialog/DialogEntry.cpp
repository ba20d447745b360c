#include <exception>
#include <iostream>

#include "RunDialog.h"

// The entry vantrel-utility looks up when it loads this module to open the
// dialog. Whatever escapes the dialog is reported as one message with status
// 1, never as an abort.
extern "C" __attribute__((visibility("default"))) int vantrel_run_dialog(int argc, char** argv)
{
    try {
        return vantrel::RunDialog(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "ERROR: " << error.what() << std::endl;
    } catch (...) {
        std::cerr << "ERROR: the program stopped on an unexpected error" << std::endl;
    }
    return 1;
}
