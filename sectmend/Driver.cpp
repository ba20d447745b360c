#include "Driver.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CommandLine_Parser.h"
#include "ELFFile.h"
#include "FileAccess.h"
#include "FileCopy.h"
#include "FilePatch.h"
#include "LibElf.h"
#include "ReplacementInput.h"
#include "SectionByteFiles.h"
#include "UsageText.h"
#include "filereplace/FileReplacement.h"

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

int Get(const CommandLineOptions& options, const ELFFile& image, const SectionFacts& facts)
{
    if (RefuseNoBits(options, facts)) return 1;
    // Writing a section's bytes over the image it comes from destroys it.
    if (!options.outputFile.empty() && sameFile(options.inputFile, options.outputFile)) {
        std::fprintf(stderr, "ERROR: '%s' is the input file; the section bytes would overwrite the image.\n",
                     options.outputFile.c_str());
        return 1;
    }
    const SectionBytes section{image.descriptor(), facts.fileOffset, facts.size, options.inputFile};
    return writeSectionBytes(section, options.text, options.outputFile) ? 0 : 1;
}

// Everything that can be known before a file is made or changed.
bool RefuseReplacement(const CommandLineOptions& options, const SectionFacts& facts, bool inPlace)
{
    if (RefuseNoBits(options, facts)) return true;
    if (facts.size == 0) {
        std::fprintf(stderr, "ERROR: Cannot replace an empty section '%s' (index %zu).\n",
                     options.sectionName.c_str(), facts.index);
        return true;
    }
    if (inPlace) return false;
    // The copy of the image would overwrite the replacement bytes before they
    // are read.
    if (!options.bitsFile.empty() && sameFile(options.outputFile, options.bitsFile)) {
        std::fprintf(stderr,
                     "ERROR: '%s' is both the output and the replacement input; the copy of the image would "
                     "overwrite the replacement bytes.\n",
                     options.outputFile.c_str());
        return true;
    }
    return false;
}

// The image copied beside the output with the section replaced, then renamed
// over the output: a failure leaves the output as it was.
bool WriteChangedCopy(const CommandLineOptions& options, const SectionFacts& facts, ReplacementInput& input)
{
    vantrel::FileReplacement output(options.outputFile,
                                   vantrel::FileMode::KeepTargetElse(vantrel::NewFileModeFromUmask()));
    if (const vantrel::ReplaceStatus begun = output.begin(); !begun) {
        std::fprintf(stderr, "ERROR: %s\n", begun.message().c_str());
        return false;
    }
    copyFile(options.inputFile, output.descriptor(), options.outputFile);
    if (!writeReplacement(output.descriptor(), facts.fileOffset, facts.size, input)) {
        if (errno != 0)
            std::fprintf(stderr, "ERROR: '%s' could not be written: %s\n", options.outputFile.c_str(),
                         std::strerror(errno));
        return false;
    }
    const vantrel::ReplaceStatus committed = output.commit();
    if (committed) return true;
    std::fprintf(stderr, "ERROR: %s\n", committed.message().c_str());
    return false;
}

// The input is opened and, when it is text, read through before the image is
// touched. "-o" naming the input itself replaces in place rather than
// truncating the input. Surplus input is reported only after a success, so
// that a failure is one message.
int Replace(const CommandLineOptions& options, ELFFile& image, const SectionFacts& facts)
{
    const bool inPlace = options.outputFile.empty() || sameFile(options.inputFile, options.outputFile);
    if (RefuseReplacement(options, facts, inPlace)) return 1;
    // The file that changes follows the rules of every replaced file: never
    // through a link, never one its owner made read-only.
    vantrel::TargetState target;
    if (const vantrel::ReplaceStatus allowed =
            vantrel::InspectTarget(options.outputFile.empty() ? options.inputFile : options.outputFile, target);
        !allowed) {
        std::fprintf(stderr, "ERROR: %s\n", allowed.message().c_str());
        return 1;
    }
    ReplacementInput input(options.bitsFile, options.text, facts.size);
    if (!input.open() || !input.stage()) return 1;
    image.close();
    const bool replaced = inPlace ? patchFile(options.inputFile, facts.fileOffset, facts.size, input)
                                  : WriteChangedCopy(options, facts, input);
    if (!replaced) return 1;
    if (input.surplus())
        std::fputs("WARNING: The input is larger than the section size. Extra input is ignored.\n", stderr);
    return 0;
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
        return options.get ? Get(options, image, facts) : Replace(options, image, facts);
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
