#include "cli/Usage.h"

#ifndef VANTREL_VERSION
#define VANTREL_VERSION "1.0.0.1"
#endif

namespace vantrel::cli {

std::string ProgramUsage()
{
    return "Usage: vantrel-utility [COMMAND [OPTIONS]]\n"
           "\n"
           "Signs firmware images and encrypts and hashes their sections. Without a\n"
           "command the dialog opens; with one the program runs without a window.\n"
           "\n"
           "Commands:\n"
           "  sections IMAGE   list the sections that can be protected, and the AESData size\n"
           "  sign IMAGE       make or keep the key pair and sign the image in place\n"
           "  protect IMAGE    encrypt and hash named sections into -o OUTPUT\n"
           "  verify IMAGE     check the signature and, with --key, the AESData record\n"
           "  help [COMMAND]   show this text, or a command's\n"
           "\n"
           "Options:\n"
           "  --help           show this text (COMMAND --help: the command's)\n"
           "  --version        show the program's version\n"
           "\n"
           "Messages go to standard error; the status is 0 on success and 1 on failure.\n";
}

std::string CommandUsage(const std::string& command)
{
    if (command == "sections")
        return "Usage: vantrel-utility sections IMAGE [--purpose demonstration|practical]\n"
               "                                      [--entry multi|single] [--json]\n"
               "\n"
               "Takes stock of IMAGE as Load does and prints the name, address and size of\n"
               "every section that may be protected, and the size of the AESData section.\n"
               "\n"
               "  --purpose P   demonstration (default) or practical: which sections are kept\n"
               "  --entry E     multi (default: ShareFunctionSection...) or single (L1_Code_Hash,\n"
               "                L1_Code_Encrypt, L2_Hash, L2_Encrypt); practical keeps all\n"
               "  --json        print the inventory as JSON on standard output\n";
    if (command == "sign")
        return "Usage: vantrel-utility sign IMAGE [--key-pair pelora|generate|default]\n"
               "\n"
               "Makes or keeps the key pair in public.ecs and private.ecs in the working\n"
               "directory, exchanges msg_code and msg_data, and writes the ECDSA signature of\n"
               "the signed message into digital_signature. IMAGE is changed in place.\n"
               "\n"
               "  --key-pair K  pelora (default: the fixed Pelora key pair), generate (a new\n"
               "                key pair from the secure generator) or default (keep the\n"
               "                key files as they are)\n";
    if (command == "protect")
        return "Usage: vantrel-utility protect IMAGE -o OUTPUT [--key HEX] [--key-len 128|192|256]\n"
               "                                     [--mode ecb|cbc|ofb|ctr] [--hash NAME]...\n"
               "                                     [--aes NAME]... [--purpose P] [--entry E]\n"
               "\n"
               "Takes stock of IMAGE, ticks the named sections and writes the protected image\n"
               "to OUTPUT: --aes sections are encrypted, --hash sections only hashed, and the\n"
               "AESData record is written. OUTPUT appears only when everything succeeded.\n"
               "\n"
               "  -o OUTPUT      the protected image (may be IMAGE itself)\n"
               "  --key HEX      the AES key, hexadecimal digits (fewer are zero-filled in front)\n"
               "  --key-len L    128 (default), 192 or 256\n"
               "  --mode M       ecb, cbc (default), ofb or ctr (ctr is processed as ofb)\n"
               "  --hash NAME    hash section NAME (may be given more than once)\n"
               "  --aes NAME     encrypt section NAME (may be given more than once)\n"
               "  --purpose P    demonstration (default) or practical, as for sections\n"
               "  --entry E      multi (default) or single, as for sections\n";
    if (command == "verify")
        return "Usage: vantrel-utility verify IMAGE [--public-key FILE] [--key HEX] [--json]\n"
               "\n"
               "Checks IMAGE as the target's boot code does and lists every check: the ECDSA\n"
               "signature in digital_signature over msg_data; with --key the AESData record:\n"
               "the table's digest, every entry's digest against its section, and the\n"
               "decryption of every encrypted section. The status is 0 only when every check\n"
               "holds.\n"
               "\n"
               "  --public-key FILE  the public key (default: public.ecs in the working directory)\n"
               "  --key HEX          the AES key the image was protected with\n"
               "  --json             print the checks as JSON on standard output\n";
    return {};
}

std::string VersionText()
{
    return std::string("vantrel-utility ") + VANTREL_VERSION + "\n";
}

}  // namespace vantrel::cli
