// The GUI tests' stand-in web browser: "url_recorder record-file address..." appends the address
// (its words joined by blanks) to the record file as one line, so a test sees what opened and how often.
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    std::FILE* record = std::fopen(argv[1], "ab");
    if (record == nullptr) {
        return 3;
    }
    for (int i = 2; i < argc; ++i) {
        std::fputs(argv[i], record);
        if (i + 1 < argc) {
            std::fputc(' ', record);
        }
    }
    std::fputc('\n', record);
    return std::fclose(record) == 0 ? 0 : 4;
}
