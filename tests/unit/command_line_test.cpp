// Parsing the command line: switches, arguments, quoting, the usage text, the console program's
// joining of its arguments, and the command lines of a start again after an upgrade.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "runs/command_line.h"
#include "runs/merge_options.h"
#include "runs/restart_command.h"
#include "runs/run_log_file.h"

namespace {

struct Parsed {
    int result;
    bool keepFileDate;
    bool quiet;
    int mode;
    std::string sourceDir;
    std::string destDir;
    std::string fileMask;
    bool usage;
    bool includeSubdirs = false;
    bool keepHierarchy = false;
    int autoMinutes = 0;
    int waitMinutes = -1;
    std::string logFile = std::string();
    bool logAppends = false;
};

Parsed parse(const char* line) {
    MergeOptions options;
    std::string out;
    const int result = options.parseCommandLine(line, out);
    EXPECT_TRUE(out.empty() || out == usageText()) << line;
    return {result,
            options.keepFileDate(),
            options.quiet(),
            options.mode(),
            options.sourceDir(),
            options.destDir(),
            options.fileMask(),
            !out.empty(),
            options.includeSubdirs(),
            options.keepHierarchy(),
            options.autoMinutes(),
            options.waitMinutes(),
            options.logFile(),
            options.logAppends()};
}

TEST(CommandLine, ParsesAsTheProgramAlwaysHas) {
    const struct {
        const char* line;
        Parsed expected;
    } cases[] = {
        {"src dst", {0, false, false, 1, "src", "dst", "*.*", false}},
        {"/L /Q src dst", {0, true, true, 1, "src", "dst", "*.*", false}},
        {"/l /q /d src dst", {0, true, true, 1, "src", "dst", "*.*", false}},
        {"/q src", {126, false, true, 1, "", "", "*.*", true}},
        {"", {126, false, false, 1, "", "", "*.*", true}},
        {"/q", {126, false, false, 1, "", "", "*.*", true}},  // no blank: not even a switch
        {"src dst *.FXR", {0, false, false, 1, "src", "dst", "*.FXR", false}},
        {"src dst A*.FXR with blanks ", {0, false, false, 1, "src", "dst", "A*.FXR with blanks", false}},
        {"src dst ", {0, false, false, 1, "src", "dst", "*.*", false}},
        {"src  dst", {126, false, false, 1, "src", "", "dst", false}},
        {"-l src dst", {0, false, false, 1, "-l", "src", "dst", false}},
        {"/lq src dst", {0, false, false, 1, "/lq", "src", "dst", false}},
        {"/d /f src dst", {0, false, false, 2, "src", "dst", "*.*", false}},
        {"/f /d src dst", {0, false, false, 1, "src", "dst", "*.*", false}},
        {"src dst \t \t\r\n", {0, false, false, 1, "src", "dst", "*.*", false}},
        {"src\tdst", {126, false, false, 1, "", "", "*.*", true}},
        {"src dst/q /l", {0, false, false, 1, "src", "dst/q", "/l", false}},
        {"/q /q /l src dst", {0, true, true, 1, "src", "dst", "*.*", false}},
        {" src dst", {0, false, false, 1, "", "src", "dst", false}},
        {"src dst ", {0, false, false, 1, "src", "dst", "*.*", false}},
        {"\"C:\\My Faxes\" C:\\out", {0, false, false, 1, "C:\\My Faxes", "C:\\out", "*.*", false}},
        {"/q \"in dir\" \"out dir\" \"*.F X R\"", {0, false, true, 1, "in dir", "out dir", "*.F X R", false}},
        {"\"/q\" src dst", {0, false, false, 1, "/q", "src", "dst", false}},
        {"src \"\"", {126, false, false, 1, "src", "", "*.*", false}},
        {"\"\" dst", {0, false, false, 1, "", "dst", "*.*", false}},
        {"\"unclosed src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"\"a b\"c d", {0, false, false, 1, "a bc", "d", "*.*", false}},
        {"src\"x\" dst", {0, false, false, 1, "src\"x\"", "dst", "*.*", false}},
        {"src dst \"*.FXR", {0, false, false, 1, "src", "dst", "\"*.FXR", false}},
        {"/s src dst", {0, false, false, 1, "src", "dst", "*.*", false, true}},
        {"/S /H /l src dst", {0, true, false, 1, "src", "dst", "*.*", false, true, true}},
        {"/h src dst", {0, false, false, 1, "src", "dst", "*.*", false, false, true}},
        {"/sh src dst", {0, false, false, 1, "/sh", "src", "dst", false}},
        {"/auto:1 /s /h /l src dst",
         {kParsePreset, true, false, 1, "src", "dst", "*.*", false, true, true, 1}},
        {"/AUTO:35791 src dst",
         {kParsePreset, false, false, 1, "src", "dst", "*.*", false, false, false, 35791}},
        {"/auto:060 src dst", {kParsePreset, false, false, 1, "src", "dst", "*.*", false, false, false, 60}},
        {"/auto:0 src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/auto:35792 src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/auto:-5 src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/auto:1x src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/auto src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/auto:5 src", {126, false, false, 1, "", "", "*.*", true}},
        {"/autox src dst", {0, false, false, 1, "/autox", "src", "dst", false}},
        {"/w:0 src dst", {0, false, false, 1, "src", "dst", "*.*", false, false, false, 0, 0}},
        {"/W:35791 /q src dst", {0, false, true, 1, "src", "dst", "*.*", false, false, false, 0, 35791}},
        {"/w:35792 src dst", {126, false, false, 1, "", "", "*.*", true, false, false, 0, -1}},
        {"/w: src dst", {126, false, false, 1, "", "", "*.*", true, false, false, 0, -1}},
        {"/w:-1 src dst", {126, false, false, 1, "", "", "*.*", true, false, false, 0, -1}},
        {"/wx src dst", {0, false, false, 1, "/wx", "src", "dst", false}},
        {"/log:run.log src dst",
         {0, false, false, 1, "src", "dst", "*.*", false, false, false, 0, -1, "run.log"}},
        {"/Q /LOG+:Runs.Log src dst",
         {0, false, true, 1, "src", "dst", "*.*", false, false, false, 0, -1, "Runs.Log", true}},
        {"/log+:\"C:\\My Logs\\merge.log\" /l \"in dir\" out",
         {0, true, false, 1, "in dir", "out", "*.*", false, false, false, 0, -1, "C:\\My Logs\\merge.log",
          true}},
        {"/log+:a.log /log:b.log src dst",
         {0, false, false, 1, "src", "dst", "*.*", false, false, false, 0, -1, "b.log"}},
        {"/auto:5 /log+:\"x y.log\" src dst",
         {kParsePreset, false, false, 1, "src", "dst", "*.*", false, false, false, 5, -1, "x y.log", true}},
        {"/log: src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/log+:\"\" src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/log:\"unclosed src dst", {126, false, false, 1, "", "", "*.*", true}},
        {"/log:x.log src", {126, false, false, 1, "", "", "*.*", true}},
        {"\"/log:C:\\x y.log\" src dst",
         {0, false, false, 1, "src", "dst", "*.*", false, false, false, 0, -1, "C:\\x y.log"}},
        {"/logx src dst", {0, false, false, 1, "/logx", "src", "dst", false}},
    };
    for (const auto& c : cases) {
        const Parsed actual = parse(c.line);
        const Parsed& e = c.expected;
        EXPECT_EQ(e.result, actual.result) << "[" << c.line << "]";
        if (e.result == kParseRun || e.result == kParsePreset) {
            EXPECT_EQ(e.sourceDir, actual.sourceDir) << "[" << c.line << "]";
            EXPECT_EQ(e.destDir, actual.destDir) << "[" << c.line << "]";
            EXPECT_EQ(e.fileMask, actual.fileMask) << "[" << c.line << "]";
            EXPECT_EQ(e.logFile, actual.logFile) << "[" << c.line << "]";
            EXPECT_EQ(e.logAppends, actual.logAppends) << "[" << c.line << "]";
        }
        EXPECT_EQ(e.keepFileDate, actual.keepFileDate) << "[" << c.line << "]";
        EXPECT_EQ(e.quiet, actual.quiet) << "[" << c.line << "]";
        EXPECT_EQ(e.mode, actual.mode) << "[" << c.line << "]";
        EXPECT_EQ(e.usage, actual.usage) << "[" << c.line << "]";
        EXPECT_EQ(e.includeSubdirs, actual.includeSubdirs) << "[" << c.line << "]";
        EXPECT_EQ(e.keepHierarchy, actual.keepHierarchy) << "[" << c.line << "]";
        EXPECT_EQ(e.autoMinutes, actual.autoMinutes) << "[" << c.line << "]";
        EXPECT_EQ(e.waitMinutes, actual.waitMinutes) << "[" << c.line << "]";
    }
}

TEST(CommandLine, NoCommandLineAtAll) {
    MergeOptions options;
    std::string out;
    EXPECT_EQ(kParseNoCommandLine, options.parseCommandLine(nullptr, out));
    EXPECT_TRUE(out.empty());
}

TEST(CommandLine, EachParseStartsFromTheDefaultSwitches) {
    MergeOptions options;
    std::string out;
    ASSERT_EQ(kParseRun, options.parseCommandLine("/l /q /f src dst", out));
    ASSERT_EQ(kParseRun, options.parseCommandLine("src dst", out));
    EXPECT_FALSE(options.keepFileDate());
    EXPECT_FALSE(options.quiet());
    EXPECT_EQ(kModeDirectory, options.mode());
}

TEST(CommandLine, ResetKeepsQuietAndMode) {
    MergeOptions options;
    std::string out;
    ASSERT_EQ(kParseRun, options.parseCommandLine("/q /f /l src dst *.FXR", out));
    options.resetOptions();
    EXPECT_TRUE(options.quiet());
    EXPECT_EQ(kModeFile, options.mode());
    EXPECT_FALSE(options.keepFileDate());
    EXPECT_EQ("", options.sourceDir());
    EXPECT_EQ("", options.destDir());
    EXPECT_EQ("*.*", options.fileMask());
}

TEST(CommandLine, UsageTextBytes) {
    // The Chinese words ("not supported yet") in the program's code page: GBK in 936, UTF-8 where
    // the program runs in UTF-8 (always on POSIX); other code pages cannot hold them.
    const std::string frame = "Usage: Quirewell [/l /q] /f source-file dest-tif-file -- ";
    const std::string rest = " \nor\nUsage: Quirewell [/l /q] /d source-directory dest-directory\n";
    std::string chinese;
#ifdef _WIN32
    const UINT codePage = GetACP();
#else
    const unsigned codePage = 65001;
#endif
    if (codePage == 936) {
        chinese = "\xD4\xDD\xB2\xBB\xD6\xA7\xB3\xD6";
    } else if (codePage == 65001) {
        chinese = "\xE6\x9A\x82\xE4\xB8\x8D\xE6\x94\xAF\xE6\x8C\x81";
    }
    const std::string text = usageText();
    ASSERT_GE(text.size(), frame.size() + rest.size());
    EXPECT_EQ(frame, text.substr(0, frame.size()));
    EXPECT_EQ(rest, text.substr(text.size() - rest.size()));
    if (!chinese.empty()) {
        EXPECT_EQ(frame + chinese + rest, text);
    }
}

TEST(CommandLine, ConsoleArgumentsJoinIntoTheSameLine) {
    const struct {
        std::vector<std::string> arguments;
        const char* line;
    } cases[] = {
        {{}, ""},
        {{"/q", "src", "dst"}, "/q src dst"},
        {{"C:\\My Faxes", "out"}, "\"C:\\My Faxes\" out"},
        {{"src", ""}, "src \"\""},
        {{"", "dst"}, "\"\" dst"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.line, joinArguments(c.arguments));
    }
    // What the console joins parses back to the same directories.
    MergeOptions options;
    std::string out;
    ASSERT_EQ(kParseRun, options.parseCommandLine(
                             joinArguments({"/l", "/log:a b.log", "in dir", "out dir"}).c_str(), out));
    EXPECT_EQ("in dir", options.sourceDir());
    EXPECT_EQ("out dir", options.destDir());
    EXPECT_EQ("a b.log", options.logFile());
    EXPECT_TRUE(options.keepFileDate());
}

TEST(CommandLine, ALogFileTellsEachRunByItsStartVersionAndCommandLineAndEndsItWithItsExitCode) {
    const struct {
        platform::LocalTime started;
        int exitCode;
        const char* header;
        const char* footer;
    } cases[] = {
        {{2024, 3, 7, 3, 0, 9}, 4, "==== 2024-03-07 03:00:09 Quirewell 2.3.41: q /q a b", "==== Exit code 4"},
        {{2031, 12, 31, 23, 59, 59},
         0,
         "==== 2031-12-31 23:59:59 Quirewell 2.3.41: q /q a b",
         "==== Exit code 0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.header, logFileHeader(c.started, "2.3.41", "q /q a b"));
        EXPECT_EQ(c.footer, logFileFooter(c.exitCode));
    }
    EXPECT_EQ("Cannot write the log file C:\\Logs (a folder has that name)",
              logFileProblemLine("C:\\Logs", platform::LogFileProblem::IsFolder));
    EXPECT_EQ("Cannot write the log file x (its folder does not exist)",
              logFileProblemLine("x", platform::LogFileProblem::FolderMissing));
}

TEST(CommandLine, AStartAgainKeepsTheArgumentsExactlyAndRefusesAnyOtherLine) {
    const struct {
        const wchar_t* line;
        std::size_t argumentsAt;
    } starts[] = {
        {L"\"C:\\Program Files\\Quirewell\\Quirewell.exe\"  /auto:60 \"D:\\Fax\"", 44},
        {L"Quirewell.exe\t/q a b", 14},
        {L"\"C:\\Q.exe\"/s", 10},
        {L"Quirewell.exe", 13},
        {L"\"unclosed", 9},
    };
    for (const auto& c : starts) {
        EXPECT_EQ(c.argumentsAt, argumentsStart(c.line)) << c.argumentsAt;
    }
    // Arguments go through unchanged, blanks, quotation marks and all.
    for (const wchar_t* arguments : {L"", L"/auto:60 /s /h \"D:\\My Fax\" \"E:\\Merged\"", L"  \"\" x"}) {
        const RestartRequest request{4711, L"C:\\Program Files\\Quirewell\\Quirewell.exe", arguments};
        RestartRequest read;
        ASSERT_TRUE(parseRestartCommandLine(restartCommandLine(L"C:\\Temp\\h.exe", request), read))
            << arguments;
        EXPECT_EQ(request.installer, read.installer);
        EXPECT_EQ(request.program, read.program);
        EXPECT_EQ(request.arguments, read.arguments);
    }
    for (const wchar_t* line : {L"h.exe", L"h.exe 0 \"C:\\Q.exe\"", L"h.exe x1 \"C:\\Q.exe\"",
                                L"h.exe 12 C:\\Q.exe", L"h.exe 12 \"C:\\Q.exe", L"h.exe 12 \"\"",
                                L"h.exe 12 \"C:\\Q.exe\"x", L"h.exe 99999999999999999999999 \"C:\\Q.exe\""}) {
        RestartRequest read;
        EXPECT_FALSE(parseRestartCommandLine(line, read)) << std::wstring(line).size();
    }
}

}  // namespace
