#include "cli/ConsoleInterface.h"

#include <openssl/crypto.h>

#include <iostream>

namespace vantrel::cli {

std::string MessageLine(const std::string& text)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    return line;
}

ConsoleInterface::~ConsoleInterface()
{
    OPENSSL_cleanse(key.data(), key.size());
}

void ConsoleInterface::showMessage(const std::string& text)
{
    messages_.push_back(text);
    std::cerr << MessageLine(text) << std::endl;
}

std::optional<std::string> ConsoleInterface::chooseFile(const FileChooserRequest&)
{
    return chosenFile;
}

bool ConsoleInterface::ProgressRows::SetItemText(int row, int column, const std::string& text)
{
    if (column == SectionList::NameColumn && owner_.progress)
        owner_.progress("reading section " + text);
    return rows.SetItemText(row, column, text);
}

}  // namespace vantrel::cli
