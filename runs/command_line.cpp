// Parsing the command line into a MergeOptions record.
#include "runs/command_line.h"

#include <algorithm>
#include <string_view>

#include "platform/ansi_string.h"
#include "runs/dialog_rules.h"
#include "runs/merge_options.h"

namespace {

// One argument taken from the front of the line, and whether a blank followed it.
struct Token {
    std::string text;
    std::string rest;
    bool blankFollows = false;
};

// Arguments end at a single blank. One that begins with a double quote runs to the next double
// quote, so that directory names with blanks can be given; the quotes are dropped.
Token takeToken(const std::string& line) {
    Token token;
    std::string unquoted = line;
    if (!line.empty() && line[0] == '"') {
        const std::string inner = line.substr(1);
        const std::size_t close = platform::findFirstChar(inner, '"');
        if (close == std::string::npos) {
            token.text = inner;
            return token;
        }
        token.text = inner.substr(0, close);
        unquoted = inner.substr(close + 1);
    }
    const std::size_t blank = platform::findFirstChar(unquoted, ' ');
    if (blank == std::string::npos) {
        token.text += unquoted;
        return token;
    }
    token.text += unquoted.substr(0, blank);
    token.rest = unquoted.substr(blank + 1);
    token.blankFollows = true;
    return token;
}

}  // namespace

const std::string& usageText() {
    // "Not supported yet" in Chinese, given here in UTF-8 and written in the program's code page:
    // D4 DD B2 BB D6 A7 B3 D6 in GBK.
    static const std::string text = [] {
        std::string notSupported;
        platform::fromUtf8("\xE6\x9A\x82\xE4\xB8\x8D\xE6\x94\xAF\xE6\x8C\x81", notSupported);
        return "Usage: Quirewell [/l /q] /f source-file dest-tif-file -- " + notSupported +
               " \n"
               "or\n"
               "Usage: Quirewell [/l /q] /d source-directory dest-directory\n";
    }();
    return text;
}

namespace {

constexpr const char* kAutoSwitch = "/auto:";
constexpr const char* kWaitSwitch = "/w:";

// The length of the "/log:" or "/log+:" that `argument` begins with, in any letter case, else 0.
// Only ASCII is compared, so that the name after it is never cut inside a character.
std::size_t logSwitchLength(const std::string& argument) {
    const auto sameLetter = [](char wanted, char given) {
        return wanted == (given >= 'A' && given <= 'Z' ? static_cast<char>(given - 'A' + 'a') : given);
    };
    for (const std::string_view name : {std::string_view("/log:"), std::string_view("/log+:")}) {
        if (argument.size() >= name.size() &&
            std::equal(name.begin(), name.end(), argument.begin(), sameLetter)) {
            return name.size();
        }
    }
    return 0;
}

// The minutes after `prefix` when they are a whole number from `least` to kMaxMinutes, else -1.
int minutesIn(const std::string& token, const char* prefix, int least) {
    const std::size_t length = std::char_traits<char>::length(prefix);
    const std::string digits = token.size() > length ? token.substr(length) : std::string();
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    const int minutes = std::stoi(digits);
    return minutes >= least && minutes <= kMaxMinutes ? minutes : -1;
}

}  // namespace

int MergeOptions::parseCommandLine(const char* commandLine, std::string& standardOutput) {
    mode_ = kModeDirectory;
    keepFileDate_ = false;
    quiet_ = false;
    preview_ = false;
    compareEverything_ = false;
    includeSubdirs_ = false;
    keepHierarchy_ = false;
    autoMinutes_ = 0;
    waitMinutes_ = -1;
    waitRefused_ = false;
    presetAsked_ = false;
    logFile_.clear();
    logAppends_ = false;
    logRefused_ = false;
    bool minutesRefused = false;
    if (commandLine == nullptr) {
        return kParseNoCommandLine;
    }
    std::string line = platform::trimTrailingSpace(commandLine);

    // Switches come first; the first token that is none (or is quoted) starts the source.
    for (std::size_t blank = platform::findFirstChar(line, ' '); blank != std::string::npos && blank > 0;
         blank = platform::findFirstChar(line, ' ')) {
        // The log file's name keeps its letter case, and a name with blanks is quoted after the
        // switch, /log+:"C:\My Logs\merge.log", or with it, "/log+:C:\My Logs\merge.log", as
        // PowerShell and other programs that quote whole arguments pass it. No folder name holds
        // that colon.
        const bool quoted = line[0] == '"';
        if (const std::size_t length = logSwitchLength(quoted ? line.substr(1) : line)) {
            const Token file = takeToken(quoted ? line : line.substr(length));
            logFile_ = quoted ? file.text.substr(length) : file.text;
            logAppends_ = length == 6;
            logRefused_ = logRefused_ || logFile_.empty();
            line = file.blankFollows ? file.rest : std::string();
            continue;
        }
        if (quoted) {
            break;
        }
        const std::string token = platform::toLowerCase(line.substr(0, blank));
        if (token == "/l") {
            keepFileDate_ = true;
        } else if (token == "/q") {
            quiet_ = true;
        } else if (token == "/n") {
            preview_ = true;
        } else if (token == "/c") {
            compareEverything_ = true;
        } else if (token == "/s") {
            includeSubdirs_ = true;
        } else if (token == "/h") {
            keepHierarchy_ = true;
        } else if (token == "/auto" || token.rfind(kAutoSwitch, 0) == 0) {
            autoMinutes_ = std::max(0, minutesIn(token, kAutoSwitch, kMinMinutes));
            presetAsked_ = true;
            minutesRefused = minutesRefused || autoMinutes_ == 0;
        } else if (token.rfind(kWaitSwitch, 0) == 0) {
            waitMinutes_ = minutesIn(token, kWaitSwitch, 0);
            waitRefused_ = waitRefused_ || waitMinutes_ < 0;
            minutesRefused = minutesRefused || waitRefused_;
        } else if (token == "/d") {
            mode_ = kModeDirectory;
        } else if (token == "/f") {
            mode_ = kModeFile;
        } else {
            break;
        }
        line = line.substr(blank + 1);
    }

    const Token source = takeToken(line);
    // Minutes the timer cannot take, or a log file without a name, start the window as without
    // arguments.
    if (!source.blankFollows || minutesRefused || logRefused_) {
        standardOutput += usageText();
        autoMinutes_ = 0;
        return kParseIncomplete;
    }
    sourceDir_ = source.text;
    const Token destination = takeToken(source.rest);
    destDir_ = destination.text;
    fileMask_ = destination.blankFollows ? destination.rest : "*.*";
    if (fileMask_.size() >= 2 && fileMask_.front() == '"' && fileMask_.back() == '"') {
        fileMask_ = fileMask_.substr(1, fileMask_.size() - 2);
    }
    if (destDir_.empty()) {
        return kParseIncomplete;
    }
    return autoMinutes_ > 0 ? kParsePreset : kParseRun;
}

std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i > 0) {
            line += ' ';
        }
        const bool quote = argument.empty() || argument.find(' ') != std::string::npos;
        line += quote ? '"' + argument + '"' : argument;
    }
    return line;
}
