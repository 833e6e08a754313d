// Stands in for a web browser in the Wine tests: registered as the open
// command of a URL protocol, it appends the address it is given (its second
// argument) as one line to the file named by its first argument.
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    std::FILE* out = std::fopen(argv[1], "ab");
    if (!out)
        return 1;
    std::fprintf(out, "%s\n", argv[2]);
    return std::fclose(out) == 0 ? 0 : 1;
}
