// The log file of a run: its header and footer lines, the writing of a run's log into it, and the
// command-line run that writes one.
#include "runs/run_log_file.h"

#include "platform/ansi_string.h"
#include "runs/command_line.h"
#include "runs/merge_options.h"
#include "version.h"

namespace {

const char* reasonOf(platform::LogFileProblem problem) {
    switch (problem) {
        case platform::LogFileProblem::FolderMissing:
            return "its folder does not exist";
        case platform::LogFileProblem::IsFolder:
            return "a folder has that name";
        case platform::LogFileProblem::AccessDenied:
            return "access denied";
        case platform::LogFileProblem::InUse:
            return "in use by another program";
        case platform::LogFileProblem::DiskFull:
            return "the disk is full";
        case platform::LogFileProblem::NameNotInCodePage:
            return "the file name cannot be used in this system's code page";
        case platform::LogFileProblem::CannotWrite:
        case platform::LogFileProblem::None:
            break;
    }
    return "the system refused it";
}

}  // namespace

std::string logFileHeader(const platform::LocalTime& started, const std::string& version,
                          const std::string& commandLine) {
    // Year first, whatever the user's date format: the file is read on other computers, and sorted.
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", started.year, started.month,
                  started.day, started.hour, started.minute, started.second);
    return std::string("==== ") + stamp + " Quirewell " + version + ": " + commandLine;
}

std::string logFileFooter(int exitCode) {
    return "==== Exit code " + std::to_string(exitCode);
}

std::string logFileProblemLine(const std::string& path, platform::LogFileProblem problem) {
    return "Cannot write the log file " + path + " (" + reasonOf(problem) + ")";
}

std::string withLineFeeds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    // Copied line by line: a log has a line a page file, and a run may have hundreds of thousands.
    for (std::size_t from = 0; from < text.size();) {
        std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            end = text.size();
        }
        result.append(text, from, end - from);
        from = end;
        if (from < text.size()) {
            result += '\n';
            from += 2;
        }
    }
    return result;
}

void RunLogFile::begin() {
    if (setting_.path.empty()) {
        return;
    }
    problem_ = file_.open(setting_.path, setting_.append);
    put(logFileHeader(platform::localTimeNow(), QW_VERSION, setting_.commandLine) +
        std::string(platform::kLineEnd));
}

void RunLogFile::add(const std::string& text) {
    if (text.empty() || setting_.path.empty()) {
        return;
    }
    if (platform::kLineEnd == "\r\n") {
        put(text);
    } else {
        put(withLineFeeds(text));
    }
}

std::string RunLogFile::finish(int exitCode) {
    if (setting_.path.empty()) {
        return std::string();
    }
    put(logFileFooter(exitCode) + std::string(platform::kLineEnd));
    const platform::LogFileProblem closed = file_.close();
    if (problem_ == platform::LogFileProblem::None) {
        problem_ = closed;
    }
    return problem_ == platform::LogFileProblem::None ? std::string()
                                                      : logFileProblemLine(setting_.path, problem_);
}

void RunLogFile::put(const std::string& text) {
    if (problem_ == platform::LogFileProblem::None && !setting_.path.empty()) {
        problem_ = file_.write(platform::toUtf8(text));
    }
}

int performLoggedRun(MergeOptions& options, std::FILE* pleaseWait, const std::string& commandLine,
                     std::string* logFileProblem) {
    RunLogFile logFile({options.logFile(), options.logAppends(), commandLine});
    // Both programs show the log unless told to be quiet.
    options.setRunLogKept(!options.quiet() || !options.logFile().empty());
    logFile.begin();
    const int exitCode = performDirectoryRun(options, pleaseWait);
    logFile.add(options.runLogText());
    const std::string problem = logFile.finish(exitCode);
    if (!problem.empty()) {
        std::fputs(platform::toUtf8(problem + "\n").c_str(), stderr);
        std::fflush(stderr);
    }
    if (logFileProblem != nullptr) {
        *logFileProblem = problem;
    }
    return exitCode;
}
