// The console program (quirewell on POSIX, quirewell-cli.exe on Windows): the command-line mode
// for scripts and terminals, with the run log on standard output, its own help, usage errors on
// standard error and real exit codes.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ansi_string.h"
#include "platform/program_io.h"
#include "runs/command_line.h"
#include "runs/merge_options.h"
#include "runs/run_log_file.h"
#include "version.h"

namespace {

constexpr int kExitHelp = 0;
constexpr int kExitUsage = 2;

#ifdef _WIN32
constexpr const char* kProgram = "quirewell-cli";
constexpr const char* kExamples =
    "  quirewell-cli C:\\Fax D:\\Merged\n"
    "  quirewell-cli /n /l \"C:\\Documents and Settings\\Fax\" \"D:\\Merged Faxes\" *.FXR\n";
#else
constexpr const char* kProgram = "quirewell";
constexpr const char* kExamples =
    "  quirewell ~/fax ~/merged\n"
    "  quirewell /n /l \"/srv/old faxes\" \"/srv/merged faxes\" '*.FXR'\n";
#endif

std::string usageLine() {
    return std::string("Usage: ") + kProgram +
           " [/l] [/q] [/n] [/c] [/s] [/h] [/w:N] [/log:FILE | /log+:FILE] [/d] source-directory\n"
           "       dest-directory [file-mask]\n";
}

std::string helpText() {
    return std::string(kProgram) +
           " merges the page files of WinFax faxes stored one page per file (.FXS, .FXR, .FXD) into one\n"
           "multi-page fax file each (...fax.fxm); the page files themselves are only read.\n\n" +
           usageLine() +
           "\n"
           "  /l           each merged fax takes the file dates of its last page file\n"
           "  /q           quiet: write no run log and no \"Please Wait...\" (the exit code still\n"
           "               tells how it went)\n"
           "  /n           preview: list the merged faxes a run would write, each marked (new),\n"
           "               (replaces the one there) or (unchanged), their page files in order with\n"
           "               their pages, and the files it would refuse; write nothing\n"
           "  /c           compare every merged fax with its page files byte for byte, whatever the\n"
           "               record of how it was made says (which a run keeps so as to leave a fax\n"
           "               whose page files and own file have not changed as it is, unread)\n"
           "  /s           merge the page files of the sub-folders too\n"
           "  /h           with /s: repeat the sub-folders below dest-directory (without it every\n"
           "               merged fax goes directly into dest-directory)\n"
           "  /w:N         wait at most N minutes (0 to 35791) for another run to let\n"
           "               dest-directory go, then give up (exit 6); without it, wait as long as it takes\n"
           "  /log:FILE    write the run log (or the plan) to FILE as well, also with /q, between a\n"
           "               line with the date, time, version and command line and a line with the\n"
           "               exit code; FILE is replaced\n"
           "  /log+:FILE   the same, added to the end of FILE (a name with blanks is quoted after\n"
           "               the colon: /log+:\"merge logs.txt\"); a FILE that cannot be written gets\n"
           "               a line on standard error, and the run goes on\n"
           "  /d           merge a directory (the only mode; may be left out)\n"
           "  file-mask    the names to take from the folders, with * and ? (default *.*)\n"
           "\n"
           "Switches come first, in any order and letter case. Without /s only the page files\n"
           "directly in source-directory are merged; dest-directory is created when it is missing.\n"
           "A folder whose name holds blanks is put in double quotes. Standard output holds the\n"
           "run log (or the preview's plan) alone; \"Please Wait...\" and the notes of a run that\n"
           "waits for another go to standard error.\n"
           "\n"
           "Exit codes:\n"
           "  0  every page file found was merged, or there was none\n"
           "  2  the command line cannot be run\n"
           "  3  dest-directory could not be created; nothing was merged\n"
           "  4  some page files could not be merged (the log says which and why)\n"
           "  5  some folders could not be read (the log says which and why; a folder reached\n"
           "     again through a link is merged once and no failure)\n"
           "  6  another run held dest-directory for longer than /w:N; nothing was merged\n"
           "\n"
           "Examples:\n" +
           kExamples;
}

// Standard output and standard error take UTF-8, whatever the program's code page.
void write(std::FILE* stream, const std::string& text) {
    std::fputs(platform::toUtf8(text).c_str(), stream);
}

// A command line that cannot be run: one line saying why, and the usage line.
int usageError(const std::string& problem) {
    write(stderr, "Quirewell: " + problem + "\n" + usageLine());
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    const platform::Utf8Console console;
    const std::vector<std::string> arguments = platform::programArguments(argc, argv);
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "/?")) {
        write(stdout, helpText());
        return kExitHelp;
    }
    if (!arguments.empty() && arguments[0] == "--version") {
        write(stdout, std::string("quirewell ") + QW_VERSION + "\n");
        return kExitHelp;
    }
    const std::string commandLine = joinArguments(arguments);
    MergeOptions options;
    std::string usage;
    const int parsed = options.parseCommandLine(commandLine.c_str(), usage);
    // The window's preset, valid or not, is no run for this program; a folder whose name begins
    // with "/auto" is a folder.
    if (options.presetAsked()) {
        return usageError(
            "automatic merging (/auto:N) is Quirewell.exe's; run this program from a scheduler instead");
    }
    if (options.waitRefused()) {
        return usageError("/w:N takes a whole number of minutes from 0 to 35791");
    }
    if (options.logRefused()) {
        return usageError("/log:FILE and /log+:FILE need a file name");
    }
    if (parsed != kParseRun) {
        // The parser gives its usage text only when an argument is missing.
        return usageError(usage.empty() ? "the destination folder is empty"
                                        : "a source folder and a destination folder are needed");
    }
    if (options.mode() == kModeFile) {
        return usageError("file mode (/f) is not supported");
    }
    // Standard output is the log's alone, for scripts that read it.
    const int exitCode = performLoggedRun(options, options.quiet() ? nullptr : stderr,
                                          std::string(kProgram) + " " + commandLine);
    if (!options.quiet()) {
        write(stdout, withLineFeeds(options.runLogText()));
    }
    if (std::fflush(stdout) != 0) {
        std::fputs("Quirewell: cannot write the run log to standard output\n", stderr);
    }
    return exitCode;
}
