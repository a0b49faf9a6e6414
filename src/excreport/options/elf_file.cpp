#include "excreport/options/elf_file.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <vector>

#include "common/unique_fd.h"

namespace kestrova {
namespace {

// Sections over 256 MiB are not ours; refusing them bounds what a damaged header can demand.
constexpr Elf64_Xword kMaxSectionSize = 256u << 20;

class ElfReader final {
 public:
  explicit ElfReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

  // Calls `visit` with each section's header and name until it returns true.
  bool ForEachSection(const std::function<bool(const Elf64_Shdr&, const std::string&)>& visit) {
    Elf64_Ehdr header{};
    if (!ReadAt(0, &header, sizeof header)) return false;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum) {
      return false;
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!ReadAt(header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr))) return false;
    std::optional<std::string> names = Contents(sections[header.e_shstrndx]);
    if (!names) return false;
    for (const Elf64_Shdr& section : sections) {
      if (section.sh_name >= names->size()) continue;
      if (visit(section, std::string(names->c_str() + section.sh_name))) return true;
    }
    return false;
  }

  std::optional<std::string> Contents(const Elf64_Shdr& section) {
    if (section.sh_type == SHT_NOBITS || section.sh_size > kMaxSectionSize) return std::nullopt;
    std::string bytes(section.sh_size, '\0');
    if (!ReadAt(section.sh_offset, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
  }

 private:
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    if (!fd_.IsOpen()) return false;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
      const ssize_t n = ::pread(fd_.Get(), out, size, static_cast<off_t>(offset));
      if (n <= 0) return false;
      out += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  UniqueFd fd_;
};

// The descriptor of the GNU build-id note in a note section, or empty.
std::string BuildIdFromNotes(const std::string& notes) {
  std::size_t offset = 0;
  while (offset + sizeof(Elf64_Nhdr) <= notes.size()) {
    Elf64_Nhdr note{};
    std::memcpy(&note, notes.data() + offset, sizeof note);
    const std::size_t nameStart = offset + sizeof note;
    const std::size_t descStart = nameStart + ((std::size_t{note.n_namesz} + 3) & ~std::size_t{3});
    const std::size_t next = descStart + ((std::size_t{note.n_descsz} + 3) & ~std::size_t{3});
    if (next > notes.size()) break;
    if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(notes.data() + nameStart, "GNU", 4) == 0) {
      return notes.substr(descStart, note.n_descsz);
    }
    offset = next;
  }
  return {};
}

}  // namespace

std::optional<std::string> ReadElfSection(const std::string& path, const std::string& name) {
  ElfReader reader(path);
  std::optional<std::string> contents;
  reader.ForEachSection([&](const Elf64_Shdr& section, const std::string& sectionName) {
    if (sectionName != name) return false;
    contents = reader.Contents(section);
    return true;
  });
  return contents;
}

std::string ReadElfBuildId(const std::string& path) {
  ElfReader reader(path);
  std::string buildId;
  reader.ForEachSection([&](const Elf64_Shdr& section, const std::string&) {
    if (section.sh_type != SHT_NOTE) return false;
    std::optional<std::string> notes = reader.Contents(section);
    if (notes) buildId = BuildIdFromNotes(*notes);
    return !buildId.empty();
  });
  return buildId;
}

}  // namespace kestrova
