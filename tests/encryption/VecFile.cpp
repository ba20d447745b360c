#include "VecFile.h"

#include <fstream>
#include <stdexcept>

namespace vantrel::testing {

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

const std::string& VecBlock::at(const std::string& key) const
{
    const auto found = values.find(key);
    if (found == values.end())
        throw std::runtime_error("vector block [" + header + "] has no " + key);
    return found->second;
}

Bytes VecBlock::hex(const std::string& key) const
{
    return FromHex(at(key));
}

int VecBlock::number(const std::string& key) const
{
    return std::stoi(at(key));
}

std::vector<VecBlock> ReadVecFile(const std::string& name)
{
    std::ifstream file(std::filesystem::path(VANTREL_ENCRYPTION_VECTORS) / name);
    if (!file)
        throw std::runtime_error("cannot open vector file " + name);
    std::vector<VecBlock> blocks;
    std::string header;
    VecBlock current;
    auto finish = [&] {
        if (!current.values.empty())
            blocks.push_back(current);
        current = VecBlock{header, {}};
    };
    std::string line;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (!line.empty() && line[0] == '#')
            continue;
        if (line.empty()) {
            finish();
        } else if (line.front() == '[' && line.back() == ']') {
            finish();
            header = line.substr(1, line.size() - 2);
            current.header = header;
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            current.values[Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
        }
    }
    finish();
    return blocks;
}

Bytes FromHex(const std::string& text)
{
    if (text.size() % 2 != 0)
        throw std::runtime_error("odd hex text " + text);
    Bytes bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
    return bytes;
}

}  // namespace vantrel::testing
