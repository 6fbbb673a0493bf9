#include <cstdio>
#include <cstring>

namespace {

void PrintUsage()
{
    std::printf("Usage: dokora-convert [options] FUNCTION FILE...\n"
                "Converts up to ten files with the conversion service.\n\n"
                "Options:\n"
                "  --help    show this text\n\n"
                "FUNCTION names a conversion, for example PDF2Word or Word2PDF.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        PrintUsage();
        return 0;
    }
    std::fprintf(stderr, "dokora-convert: conversions are not available in this build yet\n");
    PrintUsage();
    return 2;
}
