// The record of merged faxes: its lookup, its bytes with their checksum, and the rule for times
// that are safely older than a moment.
#include "engine/merge_record.h"

#include <cstring>

#include "engine/byte_order.h"
#include "platform/ansi_string.h"
#include "version.h"

namespace {

constexpr char kMagic[8] = {'Q', 'W', 'R', 'E', 'C', 'O', 'R', 'D'};
constexpr std::uint32_t kFormat = 1;
constexpr std::size_t kChecksumBytes = 8;

// FNV-1a over eight bytes at a time, each step mixed down: enough to tell a damaged or cut record
// from a whole one, which is all a checksum of a private cache needs to do, at the speed of reading
// it.
std::uint64_t checksumOf(const std::uint8_t* bytes, std::size_t length) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        hash = (hash ^ byte_order::readU64(bytes + i)) * 0x100000001b3ULL;
        hash ^= hash >> 29;
    }
    for (; i < length; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    }
    return hash;
}

class Writer {
public:
    void u8(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void u32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            u8(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    void u64(std::uint64_t value) {
        std::uint8_t field[8];
        byte_order::writeU64(field, value);
        bytes_.append(reinterpret_cast<const char*>(field), sizeof field);
    }
    void text(const std::string& value) {
        u32(static_cast<std::uint32_t>(value.size()));
        bytes_ += value;
    }
    // A path after the one before it: what the two share from their start, and the rest. Paths
    // in merge order share nearly all of it, which keeps a record of an archive small.
    void path(const std::string& value, std::string& previous) {
        std::size_t shared = 0;
        while (shared < value.size() && shared < previous.size() && value[shared] == previous[shared]) {
            ++shared;
        }
        u32(static_cast<std::uint32_t>(shared));
        text(value.substr(shared));
        previous = value;
    }
    void facts(const platform::FileFacts& facts) {
        u64(static_cast<std::uint64_t>(facts.size));
        u64(static_cast<std::uint64_t>(facts.lastWrite));
        u64(static_cast<std::uint64_t>(facts.change));
        u64(facts.volume);
        u64(facts.index);
    }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
};

// Reads what Writer wrote; every read past the end fails, and so does every later one.
class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t length) : at_(bytes), end_(bytes + length) {}
    bool good() const { return good_; }
    bool atEnd() const { return at_ == end_; }
    std::uint8_t u8() { return take(1) ? at_[-1] : 0; }
    std::uint32_t u32() { return take(4) ? byte_order::readU32(at_ - 4) : 0; }
    std::uint64_t u64() { return take(8) ? byte_order::readU64(at_ - 8) : 0; }
    std::string text() {
        const std::uint32_t length = u32();
        if (!take(length)) {
            return std::string();
        }
        return std::string(reinterpret_cast<const char*>(at_ - length), length);
    }
    bool path(std::string& value, std::string& previous) {
        const std::uint32_t shared = u32();
        const std::uint32_t length = u32();
        if (shared > previous.size() || !take(length)) {
            good_ = false;
            return false;
        }
        previous.resize(shared);
        previous.append(reinterpret_cast<const char*>(at_ - length), length);
        value = previous;
        return true;
    }
    platform::FileFacts facts() {
        platform::FileFacts facts;
        facts.size = static_cast<std::int64_t>(u64());
        facts.lastWrite = static_cast<std::int64_t>(u64());
        facts.change = static_cast<std::int64_t>(u64());
        facts.volume = u64();
        facts.index = u64();
        return facts;
    }
    // True when at least `count` more items of `itemBytes` each could still follow: a count no
    // record of this length could hold is damage, never a reason to reserve memory for it.
    bool couldHold(std::uint64_t count, std::size_t itemBytes) {
        good_ = good_ && count <= static_cast<std::uint64_t>(end_ - at_) / itemBytes;
        return good_;
    }

private:
    bool take(std::size_t count) {
        good_ = good_ && count <= static_cast<std::size_t>(end_ - at_);
        if (good_) {
            at_ += count;
        }
        return good_;
    }
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    bool good_ = true;
};

// The least bytes one output and one page take.
constexpr std::size_t kLeastOutputBytes = 1 + 8 + 40 + 4;
constexpr std::size_t kPageBytes = 8 + 40 + 4;

}  // namespace

std::uint64_t pathHash(const std::string& path) {
    return checksumOf(reinterpret_cast<const std::uint8_t*>(path.data()), path.size());
}

const RecordedOutput* MergeRecord::find(const std::string& key) const {
    const auto found = byPath_.find(pathHash(key));
    if (found == byPath_.end()) {
        return nullptr;
    }
    // Two paths of one hash are told apart here: the other one's output is not this one's.
    std::string scratch;
    const RecordedOutput& output = outputs_[found->second];
    return platform::pathKeyOf(output.path, scratch) == key ? &output : nullptr;
}

void MergeRecord::add(RecordedOutput output) {
    // Found by the hash of its key, which a record's thousands of outputs would otherwise each
    // keep a copy of. Of two paths with one hash only the later is found, and the other is
    // compared by content, as with no record.
    std::string scratch;
    const auto [found, isNew] = byPath_.try_emplace(pathHash(platform::pathKeyOf(output.path, scratch)),
                                                    outputs_.size());
    if (isNew) {
        outputs_.push_back(std::move(output));
    } else {
        outputs_[found->second] = std::move(output);
    }
}

std::string MergeRecord::encode(const std::string& key) const {
    Writer out;
    out.bytes().append(kMagic, sizeof kMagic);
    out.u32(kFormat);
    out.text(QW_VERSION);
    out.text(key);
    out.u32(static_cast<std::uint32_t>(outputs_.size()));
    std::string previousOutput;
    for (const RecordedOutput& output : outputs_) {
        out.u8(output.keepFileDate ? 1 : 0);
        out.path(output.path, previousOutput);
        out.facts(output.facts);
        out.u32(static_cast<std::uint32_t>(output.pages.size()));
        for (const RecordedPage& page : output.pages) {
            out.u64(page.source);
            out.facts(page.facts);
            out.u32(page.pages);
        }
    }
    const auto* body = reinterpret_cast<const std::uint8_t*>(out.bytes().data());
    out.u64(checksumOf(body, out.bytes().size()));
    return std::move(out.bytes());
}

bool MergeRecord::decode(const std::string& bytes, const std::string& key) {
    outputs_.clear();
    byPath_.clear();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() < sizeof kMagic + kChecksumBytes || std::memcmp(data, kMagic, sizeof kMagic) != 0 ||
        byte_order::readU64(data + bytes.size() - kChecksumBytes) !=
            checksumOf(data, bytes.size() - kChecksumBytes)) {
        return false;
    }
    Reader in(data + sizeof kMagic, bytes.size() - sizeof kMagic - kChecksumBytes);
    if (in.u32() != kFormat || in.text() != QW_VERSION || in.text() != key) {
        return false;
    }
    const std::uint32_t outputs = in.u32();
    if (in.couldHold(outputs, kLeastOutputBytes)) {
        outputs_.reserve(outputs);
        byPath_.reserve(outputs);
    }
    std::string previousOutput;
    for (std::uint32_t i = 0; in.couldHold(outputs - i, kLeastOutputBytes) && i < outputs; ++i) {
        RecordedOutput output;
        output.keepFileDate = in.u8() != 0;
        in.path(output.path, previousOutput);
        output.facts = in.facts();
        const std::uint32_t pages = in.u32();
        if (in.couldHold(pages, kPageBytes)) {
            output.pages.resize(pages);
        }
        for (RecordedPage& page : output.pages) {
            page.source = in.u64();
            page.facts = in.facts();
            page.pages = in.u32();
        }
        add(std::move(output));
    }
    if (!in.good() || !in.atEnd()) {
        outputs_.clear();
        byPath_.clear();
        return false;
    }
    return true;
}

bool safelyOlder(const platform::FileFacts& facts, std::int64_t moment, platform::FileTrust trust) {
    if (trust == platform::FileTrust::None || facts.change == 0) {
        return false;
    }
    // Times without a fraction of a second may come from a file system that keeps whole seconds
    // (or FAT's two), where two changes within one have one time.
    const bool wholeSeconds =
        facts.lastWrite % platform::kTicksPerSecond == 0 && facts.change % platform::kTicksPerSecond == 0;
    const std::int64_t grain = wholeSeconds || trust == platform::FileTrust::Remote
                                   ? 2 * platform::kTicksPerSecond
                                   : platform::kClockGrain;
    return facts.lastWrite < moment - grain && facts.change < moment - grain;
}
