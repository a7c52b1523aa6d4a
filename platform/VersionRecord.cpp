#include "VersionRecord.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileSystem.h"

namespace verinfo {

namespace {

constexpr std::string_view kMagic("ZVR1\0", 5);
constexpr uint64_t kMaxBlock = 1u << 20;  // a record is a few hundred bytes
constexpr uint16_t kMaxSections = 0xFF00;

class TFd {
public:
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd() {
        if (Fd >= 0) close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Fd;
};

// Reads exactly size bytes at offset; false on a short read or an error.
bool ReadAt(int fd, uint64_t offset, void* buf, size_t size) {
    auto* p = static_cast<char*>(buf);
    while (size > 0) {
        ssize_t r = pread(fd, p, size, static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        offset += static_cast<uint64_t>(r);
        size -= static_cast<size_t>(r);
    }
    return true;
}

bool InFile(uint64_t offset, uint64_t size, uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

}  // namespace

TReadResult ReadFileVersionBlock(std::string_view FileName, std::string& Block) {
    Block.clear();
    int fd = -1;
    if (fs932::OpenRegularFile(FileName, fd) != fs932::ReadResult::Ok) return TReadResult::Unreadable;
    TFd f(fd);
    struct stat st {};
    if (fstat(f.Fd, &st) != 0) return TReadResult::Unreadable;
    const auto fileSize = static_cast<uint64_t>(st.st_size);

    if (fileSize < sizeof(Elf64_Ehdr)) return TReadResult::NoRecord;  // too small to be a program
    Elf64_Ehdr eh;
    if (!ReadAt(f.Fd, 0, &eh, sizeof eh)) return TReadResult::Unreadable;
    const uint16_t one = 1;
    const bool little = *reinterpret_cast<const unsigned char*>(&one) == 1;
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
        eh.e_ident[EI_DATA] != (little ? ELFDATA2LSB : ELFDATA2MSB))
        return TReadResult::NoRecord;
    if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shnum == 0 || eh.e_shnum > kMaxSections ||
        eh.e_shstrndx >= eh.e_shnum || !InFile(eh.e_shoff, uint64_t{eh.e_shnum} * sizeof(Elf64_Shdr), fileSize))
        return TReadResult::NoRecord;

    std::vector<Elf64_Shdr> sections(eh.e_shnum);
    if (!ReadAt(f.Fd, eh.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr)))
        return TReadResult::Unreadable;
    const Elf64_Shdr& names = sections[eh.e_shstrndx];
    if (names.sh_type != SHT_STRTAB || names.sh_size > kMaxBlock || !InFile(names.sh_offset, names.sh_size, fileSize))
        return TReadResult::NoRecord;
    std::string nameTable(names.sh_size, '\0');
    if (!ReadAt(f.Fd, names.sh_offset, nameTable.data(), nameTable.size())) return TReadResult::Unreadable;

    const std::string_view wanted(ZINTAVOR_VERSION_RECORD_SECTION);
    for (const Elf64_Shdr& s : sections) {
        if (s.sh_name >= nameTable.size()) continue;
        const char* n = nameTable.c_str() + s.sh_name;
        if (std::string_view(n, strnlen(n, nameTable.size() - s.sh_name)) != wanted) continue;
        if (s.sh_type == SHT_NOBITS || s.sh_size < kMagic.size() || s.sh_size > kMaxBlock ||
            !InFile(s.sh_offset, s.sh_size, fileSize))
            return TReadResult::NoRecord;
        std::string data(s.sh_size, '\0');
        if (!ReadAt(f.Fd, s.sh_offset, data.data(), data.size())) return TReadResult::Unreadable;
        if (data.compare(0, kMagic.size(), kMagic) != 0) return TReadResult::NoRecord;
        Block = std::move(data);
        return TReadResult::Ok;
    }
    return TReadResult::NoRecord;
}

bool QueryValue(std::string_view Block, std::string_view Query, std::string& Value) {
    if (Block.substr(0, kMagic.size()) != kMagic) return false;
    size_t pos = kMagic.size();
    while (pos < Block.size()) {
        size_t keyEnd = Block.find('\0', pos);
        if (keyEnd == std::string_view::npos || keyEnd == pos) return false;  // unterminated, or the end mark
        size_t valueEnd = Block.find('\0', keyEnd + 1);
        if (valueEnd == std::string_view::npos) return false;
        if (Block.substr(pos, keyEnd - pos) == Query) {
            Value.assign(Block.substr(keyEnd + 1, valueEnd - keyEnd - 1));
            return true;
        }
        pos = valueEnd + 1;
    }
    return false;
}

}  // namespace verinfo
