// Helpers of the shell tests: version record blocks and program files made
// by hand, and a guard that puts the version source back.
#pragma once
#include <elf.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "TestUtil.h"
#include "U_ApplicationInfo.h"

namespace shelltest {

// A record block holding the given values (name, value), in that order.
inline std::string VersionBlock(const std::vector<std::pair<std::string, std::string>>& Values) {
    std::string block("ZVR1\0", 5);
    for (const auto& [name, value] : Values) {
        block += std::string(TApplicationInfo::QueryPrefix) + name;
        block.push_back('\0');
        block += value;
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

// A minimal 64-bit ELF file whose sections are a name table and one section
// named SectionName holding Data.
inline std::string ElfFile(const std::string& Data, const std::string& SectionName = ".zintavor_version") {
    const std::string names = std::string("\0.shstrtab\0", 11) + SectionName + std::string(1, '\0');
    const size_t namesAt = sizeof(Elf64_Ehdr);
    const size_t dataAt = namesAt + names.size();
    size_t headersAt = dataAt + Data.size();
    headersAt = (headersAt + 7) / 8 * 8;

    Elf64_Ehdr eh{};
    std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
    eh.e_ident[EI_CLASS] = ELFCLASS64;
    eh.e_ident[EI_DATA] = ELFDATA2LSB;
    eh.e_ident[EI_VERSION] = EV_CURRENT;
    eh.e_type = ET_EXEC;
    eh.e_machine = EM_X86_64;
    eh.e_version = EV_CURRENT;
    eh.e_ehsize = sizeof(Elf64_Ehdr);
    eh.e_shoff = headersAt;
    eh.e_shentsize = sizeof(Elf64_Shdr);
    eh.e_shnum = 3;
    eh.e_shstrndx = 1;

    Elf64_Shdr sh[3] = {};
    sh[1].sh_name = 1;
    sh[1].sh_type = SHT_STRTAB;
    sh[1].sh_offset = namesAt;
    sh[1].sh_size = names.size();
    sh[2].sh_name = 11;
    sh[2].sh_type = SHT_PROGBITS;
    sh[2].sh_flags = SHF_ALLOC;
    sh[2].sh_offset = dataAt;
    sh[2].sh_size = Data.size();

    std::string file(headersAt + sizeof sh, '\0');
    std::memcpy(file.data(), &eh, sizeof eh);
    std::memcpy(file.data() + namesAt, names.data(), names.size());
    std::memcpy(file.data() + dataAt, Data.data(), Data.size());
    std::memcpy(file.data() + headersAt, sh, sizeof sh);
    return file;
}

// Installs a version source for the life of the guard.
class TVersionSourceGuard {
public:
    explicit TVersionSourceGuard(TApplicationInfo::TVersionSource Source) {
        FHooks.Set(TApplicationInfo::SetVersionSource, std::move(Source));
    }
    // A source that answers Block for every file.
    explicit TVersionSourceGuard(std::string Block)
        : TVersionSourceGuard([Block](const std::string&, std::string& Out) {
              Out = Block;
              return verinfo::TReadResult::Ok;
          }) {}

private:
    testutil::THookScope FHooks;
};

}  // namespace shelltest
