#include "Driver.h"

#include <cstdio>

#include "CommandLine_Parser.h"
#include "ELFFile.h"
#include "FileCopy.h"
#include "FilePatch.h"
#include "LibElf.h"
#include "SectionByteFiles.h"
#include "UsageText.h"

namespace sectmend {

namespace {

void WriteBanner()
{
    std::fputs(" Halvord SectMend utility 1.0.0.3\n\n", stderr);
}

// The first ELF call loads the library.
bool InitialiseLibrary()
{
    try {
        if (libElf().version(EV_CURRENT) != EV_NONE) return true;
        std::fputs("ERROR: ELF Library is out of date.\n", stderr);
    } catch (const LibElfUnavailable& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    return false;
}

void OpenImage(ELFFile& image, const CommandLineOptions& options)
{
    if (options.element.empty())
        image.open(options.inputFile);
    else
        image.open(options.inputFile, options.element);
}

bool RefuseNoBits(const CommandLineOptions& options, const SectionFacts& facts)
{
    if (!facts.noBits) return false;
    std::fprintf(stderr, "ERROR: Section '%s' (index %zu) has no contents in the file.\n",
                 options.sectionName.c_str(), facts.index);
    return true;
}

int Get(const CommandLineOptions& options, const SectionFacts& facts)
{
    if (RefuseNoBits(options, facts)) return 1;
    // Writing a section's bytes over the image it comes from destroys it.
    if (!options.outputFile.empty() && sameFile(options.inputFile, options.outputFile)) {
        std::fprintf(stderr, "ERROR: '%s' is the input file; the section bytes would overwrite the image.\n",
                     options.outputFile.c_str());
        return 1;
    }
    return writeSectionBytes(facts.data, options.text, options.outputFile) ? 0 : 1;
}

// The image is closed before any file is copied or patched. "-o" naming the
// input itself replaces in place rather than truncating the input.
int Replace(const CommandLineOptions& options, ELFFile& image, const SectionFacts& facts)
{
    if (RefuseNoBits(options, facts)) return 1;
    // The copy of the image would overwrite the replacement bytes before they
    // are read.
    if (!options.outputFile.empty() && !options.bitsFile.empty() &&
        !sameFile(options.inputFile, options.outputFile) && sameFile(options.outputFile, options.bitsFile)) {
        std::fprintf(stderr,
                     "ERROR: '%s' is both the output and the replacement input; the copy of the image would "
                     "overwrite the replacement bytes.\n",
                     options.outputFile.c_str());
        return 1;
    }
    image.close();
    std::string target = options.inputFile;
    if (!options.outputFile.empty() && !sameFile(options.inputFile, options.outputFile)) {
        copyFile(options.inputFile, options.outputFile);
        target = options.outputFile;
    }
    if (facts.size == 0) {
        std::fprintf(stderr, "ERROR: Cannot replace an empty section '%s' (index %zu).\n",
                     options.sectionName.c_str(), facts.index);
        return 1;
    }
    const auto bytes = readReplacementBytes(options.bitsFile, facts.size, options.text);
    if (!bytes) return 1;
    return patchFile(target, facts.fileOffset, bytes->data(), bytes->size()) ? 0 : 1;
}

int RunOperation(const CommandLineOptions& options)
{
    ELFFile image;
    try {
        OpenImage(image, options);
        Elf_Scn* section = image.findSection(options.sectionName);
        if (section == nullptr) {
            std::fprintf(stderr, "ERROR: %s section does not exist.\n", options.sectionName.c_str());
            return 1;
        }
        const SectionFacts facts = image.sectionFacts(section);
        return options.get ? Get(options, facts) : Replace(options, image, facts);
    } catch (const ELFFile::EBadFile&) {
        return 1;  // the message is written already
    }
}

}  // namespace

int RunSectmend(int argc, char* argv[])
{
    DLGCLArgsStringInput input(argc, argv);
    CommandLine_DLGLexer lexer(input);
    CommandLine_Parser parser(lexer);
    if (argc <= 1) {
        WriteUsage();
        return 0;
    }
    parser.parse();
    if (parser.syntaxErrors() != 0 || lexer.lexErrors() != 0) return 1;
    const CommandLineOptions& options = parser.options();
    // A help-only command line is done without the ELF library.
    if (!options.version && !options.get && !options.replace) return 0;
    if (!InitialiseLibrary()) return 1;
    if (options.version) WriteBanner();
    if (!options.get && !options.replace) return 0;
    return RunOperation(options);
}

}  // namespace sectmend
