// The page-file generator behind faxgen.
#include "tools/fax_generator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/fax_header.h"

std::uint64_t FaxGenerator::next() {
    // splitmix64: small, fast and the same on every platform.
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void FaxGenerator::appendPage(std::vector<std::uint8_t>& file, std::size_t dataLength, unsigned pagesLeft,
                              bool plain) {
    const auto position = static_cast<std::int32_t>(file.size());
    FaxHeader header;
    for (std::size_t i = 2; i < kFaxHeaderSize; ++i) {
        header.data()[i] = static_cast<std::uint8_t>(next());
    }
    header.data()[0] = kSignatureByte0;
    header.data()[1] = kSignatureByte1;
    const std::uint8_t factorA = plain ? 0 : static_cast<std::uint8_t>(below(5));
    const std::uint8_t factorB = plain ? 0 : static_cast<std::uint8_t>(below(9));
    const std::int32_t extraLength = plain ? 0 : static_cast<std::int32_t>(below(65));
    const std::int32_t dataOffset = position + static_cast<std::int32_t>(kFaxHeaderSize);
    header.setDataOffset(dataOffset);
    header.setFactorA(factorA);
    header.setFactorB(factorB);
    header.setExtraLength(extraLength);
    header.setDataLength(static_cast<std::int32_t>(dataLength));
    header.setPageCount(static_cast<std::uint16_t>(pagesLeft));
    // Extra offsets: positions inside the block, 0, or (rarely) negative, so that every rule
    // of relocation is exercised.
    const auto extraOffset = [&]() -> std::int32_t {
        if (plain) {
            return 0;
        }
        switch (below(4)) {
            case 0:
                return 0;
            case 1:
                return -1;
            default:
                return dataOffset + static_cast<std::int32_t>(below(static_cast<std::uint32_t>(dataLength) + 1));
        }
    };
    header.setExtraOffset1(extraOffset());
    header.setExtraOffset2(extraOffset());

    const std::size_t body = static_cast<std::size_t>(factorA) * factorB + static_cast<std::size_t>(extraLength) +
                             dataLength;
    const std::size_t start = file.size();
    file.resize(start + kFaxHeaderSize + body);
    header.toBytes(file.data() + start);
    for (std::size_t i = start + kFaxHeaderSize; i < file.size(); ++i) {
        file[i] = static_cast<std::uint8_t>(next());
    }
}

std::vector<std::uint8_t> FaxGenerator::make(const FaxFileSpec& wanted) {
    std::vector<std::uint8_t> file;
    switch (wanted.kind) {
        case FaxKind::Empty:
            break;
        case FaxKind::Short:
            file.resize(wanted.shortLength);
            for (auto& byte : file) {
                byte = static_cast<std::uint8_t>(next());
            }
            if (!file.empty()) {
                file[0] = kSignatureByte0;
            }
            if (file.size() > 1) {
                file[1] = kSignatureByte1;
            }
            break;
        case FaxKind::MultiPage:
            for (unsigned left = wanted.pages; left > 0; --left) {
                appendPage(file, wanted.dataLength, left, wanted.plain);
            }
            break;
        case FaxKind::Consistent:
        case FaxKind::Trailing:
        case FaxKind::NoSignature:
            appendPage(file, wanted.dataLength, 1, wanted.plain);
            if (wanted.kind == FaxKind::Trailing) {
                for (std::size_t i = 0; i < wanted.trailing; ++i) {
                    file.push_back(static_cast<std::uint8_t>(next()));
                }
            } else if (wanted.kind == FaxKind::NoSignature) {
                file[1] = 'X';
            }
            break;
    }
    return file;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

long writeTree(const std::string& root, const TreeSpec& wanted, std::uint64_t seed, std::string& error) {
    if (wanted.maxPages > 999 || wanted.minPages == 0) {
        error = "pages per fax must lie between 1 and 999: page files are told apart by three digits";
        return -1;
    }
    FaxGenerator generator(seed);
    long written = 0;
    std::error_code failure;
    std::filesystem::create_directories(root, failure);
    if (failure) {
        error = "cannot create " + root + ": " + failure.message();
        return -1;
    }
    for (unsigned fax = 1; fax <= wanted.faxes; ++fax) {
        std::filesystem::path directory(root);
        if (wanted.subdirs > 0) {
            char name[16];
            std::snprintf(name, sizeof name, "sub%02u", (fax - 1) % wanted.subdirs + 1);
            directory /= name;
            std::filesystem::create_directories(directory, failure);
            if (failure) {
                error = "cannot create " + directory.string() + ": " + failure.message();
                return -1;
            }
        }
        const unsigned span = wanted.maxPages >= wanted.minPages ? wanted.maxPages - wanted.minPages + 1 : 1;
        const unsigned pages = wanted.minPages + generator.below(span);
        for (unsigned page = 1; page <= pages; ++page) {
            const std::size_t sizeSpan = wanted.maxSize >= wanted.minSize ? wanted.maxSize - wanted.minSize + 1 : 1;
            FaxFileSpec file;
            const std::size_t total = wanted.minSize + generator.below(static_cast<std::uint32_t>(sizeSpan));
            file.dataLength = total > kFaxHeaderSize ? total - kFaxHeaderSize : 0;
            char name[64];
            std::snprintf(name, sizeof name, "F%05u%03u.%s", fax, page, wanted.extension.c_str());
            const std::filesystem::path path = directory / name;
            if (!writeFile(path.string(), generator.make(file))) {
                error = "cannot write " + path.string();
                return -1;
            }
            ++written;
        }
    }
    return written;
}
