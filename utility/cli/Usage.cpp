#include "cli/Usage.h"

#ifndef VANTREL_VERSION
#error "VANTREL_VERSION comes from the build: project(... VERSION ...) in the top-level CMakeLists.txt"
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
           "  sign IMAGE       sign the image in place with the key pair (made first if asked)\n"
           "  protect IMAGE    encrypt and hash named sections into -o OUTPUT\n"
           "  verify IMAGE     check the signature and, with the AES key, the AESData record\n"
           "  keys ACTION      generate, export, import or check a key pair\n"
           "  help [COMMAND]   show this text, or a command's\n"
           "\n"
           "Options:\n"
           "  --help           show this text (COMMAND --help: the command's)\n"
           "  --version        show the program's version\n"
           "\n"
           "Every command takes --tool-dir DIR: where sectmend, scnlist and the curve file\n"
           "are (default: the folder of this program; never the working directory).\n"
           "\n"
           "Results go to standard output, messages to standard error. The status is 0 on\n"
           "success, 1 when the operation or the verification failed, and 2 when the\n"
           "command line was refused (unknown option, missing argument, bad value).\n";
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
        return "Usage: vantrel-utility sign IMAGE [--key-pair default|generate|pelora]\n"
               "                                  [--private-key FILE] [--public-key FILE]\n"
               "                                  [--force] [--json]\n"
               "\n"
               "Signs IMAGE in place with the private key: exchanges msg_code and msg_data and\n"
               "writes the ECDSA signature of the signed message into digital_signature.\n"
               "\n"
               "  --key-pair K        default: the key files as they are; generate: a new key\n"
               "                      pair from the secure generator; pelora: the fixed Pelora\n"
               "                      pair, which is PUBLIC: for demonstrations only, never for\n"
               "                      a device\n"
               "  --private-key FILE  the private key (default: private.ecs in the working\n"
               "                      directory; readable by its owner only)\n"
               "  --public-key FILE   the public key (default: public.ecs in the working\n"
               "                      directory)\n"
               "  --force             let generate or pelora replace key files that hold\n"
               "                      another pair; the old files are kept beside as dated\n"
               "                      copies (private-YYYYMMDD-HHMMSS.ecs)\n"
               "  --json              print the image, the public key file and its SHA-256\n"
               "                      fingerprint as JSON on standard output\n";
    if (command == "protect")
        return "Usage: vantrel-utility protect IMAGE -o OUTPUT --key-file FILE|--key-env NAME\n"
               "                                     [--key-len 128|192|256] [--mode M]\n"
               "                                     [--allow-keystream-reuse] [--hash NAME]...\n"
               "                                     [--aes NAME]... [--purpose P] [--entry E]\n"
               "                                     [--json]\n"
               "\n"
               "Takes stock of IMAGE, ticks the named sections and writes the protected image\n"
               "to OUTPUT: --aes sections are encrypted, --hash sections only hashed, and the\n"
               "AESData record is written. OUTPUT appears only when everything succeeded.\n"
               "\n"
               "  -o OUTPUT         the protected image (may be IMAGE itself)\n"
               "  --key-file FILE   the AES key as hexadecimal text in FILE (white space around\n"
               "                    it is ignored); - reads it from standard input\n"
               "  --key-env NAME    the AES key from the environment variable NAME\n"
               "  --key HEX         the AES key on the command line, where other users see it:\n"
               "                    for demonstrations only\n"
               "                    The key has exactly the digits of the key length: 32, 48\n"
               "                    or 64.\n"
               "  --key-len L       128 (default), 192 or 256\n"
               "  --mode M          ecb, cbc (default), ofb or ctr (ctr is processed as ofb);\n"
               "                    ofb and ctr need --allow-keystream-reuse\n"
               "  --allow-keystream-reuse\n"
               "                    accept that ofb and ctr encrypt every section and the\n"
               "                    AESData table with one key stream, so that anyone with the\n"
               "                    image learns the XOR of any two of them\n"
               "  --hash NAME       hash section NAME (may be given more than once)\n"
               "  --aes NAME        encrypt section NAME (may be given more than once)\n"
               "  --purpose P       demonstration (default) or practical, as for sections\n"
               "  --entry E         multi (default) or single, as for sections\n"
               "  --json            print the output and what was protected as JSON\n";
    if (command == "verify")
        return "Usage: vantrel-utility verify IMAGE [--public-key FILE]\n"
               "                                    [--key-file FILE|- | --key-env NAME]\n"
               "                                    [--original ORIGINAL] [--json]\n"
               "\n"
               "Checks IMAGE as the target's boot code does and lists every check: the ECDSA\n"
               "signature in digital_signature over msg_data, against the public key whose\n"
               "file and SHA-256 fingerprint it prints; with the AES key the AESData record:\n"
               "the table's digest and every entry's digest against its section. The status is\n"
               "0 only when every check holds.\n"
               "\n"
               "  --public-key FILE     the public key (default: public.ecs in the working\n"
               "                        directory); compare the fingerprint with the device's\n"
               "  --key-file FILE|-     the AES key, as for protect\n"
               "  --key-env NAME        the AES key from the environment variable NAME\n"
               "  --key HEX             the AES key on the command line (seen by other users)\n"
               "  --original ORIGINAL   the unprotected image: every encrypted section is\n"
               "                        decrypted and compared with ORIGINAL's (needs the key)\n"
               "  --json                print the checks as JSON on standard output\n";
    if (command == "keys")
        return "Usage: vantrel-utility keys generate --out DIR [--pelora] [--force]\n"
               "       vantrel-utility keys export [--public-key FILE] --format F [-o FILE]\n"
               "       vantrel-utility keys import FILE [--out DIR] [--force]\n"
               "       vantrel-utility keys check [--private-key FILE] [--public-key FILE]\n"
               "\n"
               "Key pairs on the curve of ecc_koblitz.ecs, in private.ecs (readable by its\n"
               "owner only) and public.ecs. No private key is ever printed.\n"
               "\n"
               "generate  makes a key pair from the secure generator in DIR, without signing\n"
               "          anything, and prints its public key\n"
               "  --pelora  the fixed Pelora pair instead: it is PUBLIC, for demonstrations\n"
               "            only\n"
               "  --force   replace key files that hold another pair; the old files are kept\n"
               "            beside as dated copies (private-YYYYMMDD-HHMMSS.ecs)\n"
               "export    writes the public key (default: public.ecs) on standard output, or\n"
               "          into FILE with -o (never a .ecs file), in the form --format names:\n"
               "  pem, der  SubjectPublicKeyInfo, naming the curve (sect163k1) when OpenSSL\n"
               "            knows it, with its explicit parameters otherwise\n"
               "  raw       X then Y, big-endian, 21 bytes each for the 163-bit curve\n"
               "  c         the raw bytes as a C definition:\n"
               "            static const unsigned char vantrel_public_key[42] = {...};\n"
               "  sha256    the SHA-256 of the raw bytes in hexadecimal: the fingerprint\n"
               "            verify prints, to compare with the key fused into a device\n"
               "import    turns an OpenSSL private key FILE (PEM or DER, an EC key or\n"
               "          unencrypted PKCS#8, its curve named or given by parameters) into the\n"
               "          key files in DIR (default: the working directory); a key on another\n"
               "          curve is refused. --force as for generate. For example:\n"
               "            openssl ecparam -name sect163k1 -genkey -noout -out key.pem\n"
               "            vantrel-utility keys import key.pem\n"
               "check     confirms that the private key file (default: private.ecs) and the\n"
               "          public key file (default: public.ecs) hold one key pair\n";
    return {};
}

std::string VersionText()
{
    return std::string("vantrel-utility ") + VANTREL_VERSION + "\n";
}

}  // namespace vantrel::cli
