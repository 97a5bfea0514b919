// Scratch directories and file helpers for the unit tests.
#include "test_support.h"

#include "engine/output_paths.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>

namespace test_support {
namespace {

std::atomic<unsigned> scratchCounter{0};

}  // namespace

ScratchDir::ScratchDir() {
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        root_ = base / ("qw-test-" + std::to_string(std::random_device{}()) + "-" +
                        std::to_string(scratchCounter++));
        if (std::filesystem::create_directory(root_)) {
            break;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string ScratchDir::path(const std::string& relative) const {
    return relative.empty() ? root_.string() : root_.string() + platform::kSeparator + nativePath(relative);
}

std::string ScratchDir::write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
    const std::string target = path(relative);
    std::filesystem::create_directories(std::filesystem::path(target).parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return target;
}

void ScratchDir::makeDir(const std::string& relative) const {
    std::filesystem::create_directories(path(relative));
}

std::string nativePath(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = platform::kSeparator;
        }
    }
    return path;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    // Shared for removal too, as a run opens the files it is writing.
    platform::InputFile in;
    platform::FileInfo info;
    std::vector<std::uint8_t> bytes;
    if (in.open(path, true, info)) {
        bytes.resize(static_cast<std::size_t>(info.size));
        if (!in.readAt(0, bytes.data(), bytes.size())) {
            bytes.clear();
        }
    }
    return bytes;
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::vector<std::string> temporariesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (isTemporaryName(entry.path().filename().string())) {
            found.push_back(entry.path().string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

HeldRun::HeldRun(const std::string& saveFolder, bool keepFileDate, bool makesFolders)
    : makesFolders_(makesFolders) {
    options_.setDestDir(saveFolder);
    options_.setKeepFileDate(keepFileDate);
    start();
}

void HeldRun::start() {
    options_.setRunLog(std::string());
    session_ = std::make_unique<RunSession>(options_, RunSession::Kind::Merge, makesFolders_);
    held_ = session_->hold([] {});
}

int HeldRun::finishAndStartAgain() {
    const int lost = finish();
    session_.reset();
    start();
    return lost;
}

CacheOfItsOwn::CacheOfItsOwn(const std::string& folder) {
#ifndef _WIN32
    const char* earlier = std::getenv("XDG_CACHE_HOME");
    earlier_ = earlier != nullptr ? earlier : "";
    setenv("XDG_CACHE_HOME", folder.c_str(), 1);
#else
    static_cast<void>(folder);
#endif
}

CacheOfItsOwn::~CacheOfItsOwn() {
#ifndef _WIN32
    setenv("XDG_CACHE_HOME", earlier_.c_str(), 1);
#endif
}

std::vector<std::string> CacheOfItsOwn::files() const {
#ifdef _WIN32
    const char* base = std::getenv("LOCALAPPDATA");
    const std::string folder = std::string(base != nullptr ? base : "") + "\\Quirewell\\Cache";
#else
    const std::string folder = std::string(std::getenv("XDG_CACHE_HOME")) + "/quirewell";
#endif
    std::vector<std::string> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        found.push_back(entry.path().string());
    }
    return found;
}

long long ioCount(const std::string& field) {
    std::string name;
    long long value = -1;
#ifndef _WIN32
    for (std::ifstream io("/proc/self/io"); name != field + ":" && io >> name >> value;) {
    }
#endif
    return name == field + ":" ? value : -1;
}

std::vector<std::uint8_t> pageFile(std::uint64_t seed, FaxKind kind, std::size_t dataLength, unsigned pages) {
    FaxFileSpec wanted;
    wanted.kind = kind;
    wanted.dataLength = dataLength;
    wanted.pages = pages;
    return FaxGenerator(seed).make(wanted);
}

}  // namespace test_support
