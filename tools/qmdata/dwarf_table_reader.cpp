#include "dwarf_table_reader.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <fcntl.h>
#include <gelf.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <unordered_map>
#include <vector>

#include "excreport/options/elf_file.h"

namespace kestrova {
namespace {

struct Declaration {
  std::string Class;
  std::string Procedure;
};

// "src/app/main_window.cpp" -> "main_window".
std::string UnitName(const char* path) {
  return path != nullptr ? std::filesystem::path(path).stem().string() : std::string();
}

std::string Join(const std::vector<std::string>& scopes) {
  std::string joined;
  for (const std::string& scope : scopes) {
    if (!joined.empty()) joined += "::";
    joined += scope;
  }
  return joined;
}

// The lowest loaded page: addresses in the table count from it, as the running program's do
// from the mapped ELF header.
std::optional<Dwarf_Addr> LoadBase(Elf* elf) {
  std::size_t count = 0;
  if (elf_getphdrnum(elf, &count) != 0) return std::nullopt;
  for (std::size_t i = 0; i < count; ++i) {
    GElf_Phdr header;
    if (gelf_getphdr(elf, static_cast<int>(i), &header) != nullptr && header.p_type == PT_LOAD) {
      return header.p_vaddr & ~Dwarf_Addr{0xFFF};
    }
  }
  return std::nullopt;
}

class DwarfWalker final {
 public:
  DwarfWalker(Dwarf_Addr base, DebugTableSource& table) : base_(base), table_(table) {}

  void Unit(Dwarf_Die* unit) {
    ReadLines(unit);
    std::vector<std::string> classes;
    Walk(unit, classes);
  }

  // Definitions name their declaration through DW_AT_specification or DW_AT_abstract_origin,
  // possibly in a unit read later, so they are resolved once every unit was walked.
  void Finish() {
    for (Definition& definition : definitions_) {
      const Declaration* declaration = Resolve(definition.Target);
      for (DebugTableSource::Function& function : definition.Ranges) {
        if (declaration != nullptr) {
          function.Class = declaration->Class;
          function.Procedure = declaration->Procedure;
        }
        table_.Functions.push_back(std::move(function));
      }
    }
  }

 private:
  struct Definition {
    Dwarf_Off Target;  // own offset, or the declaration it refers to
    std::vector<DebugTableSource::Function> Ranges;
  };

  std::optional<std::uint32_t> Relative(Dwarf_Addr address) const {
    if (address < base_ || address - base_ > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(address - base_);
  }

  void ReadLines(Dwarf_Die* unit) {
    Dwarf_Lines* lines = nullptr;
    std::size_t count = 0;
    if (dwarf_getsrclines(unit, &lines, &count) != 0) return;
    for (std::size_t i = 0; i < count; ++i) {
      Dwarf_Line* line = dwarf_onesrcline(lines, i);
      Dwarf_Addr address = 0;
      int number = 0;
      bool endSequence = false;
      if (line == nullptr || dwarf_lineaddr(line, &address) != 0 || dwarf_lineno(line, &number) != 0 ||
          dwarf_lineendsequence(line, &endSequence) != 0) {
        continue;
      }
      std::optional<std::uint32_t> relative = Relative(address);
      if (!relative) continue;
      table_.Lines.push_back({*relative, endSequence ? 0u : static_cast<std::uint32_t>(number),
                              endSequence ? std::string() : UnitName(dwarf_linesrc(line, nullptr, nullptr))});
    }
  }

  void Walk(Dwarf_Die* parent, std::vector<std::string>& classes) {
    Dwarf_Die child;
    if (dwarf_child(parent, &child) != 0) return;
    do {
      switch (dwarf_tag(&child)) {
        case DW_TAG_namespace:
        case DW_TAG_lexical_block:
          Walk(&child, classes);
          break;
        case DW_TAG_class_type:
        case DW_TAG_structure_type:
        case DW_TAG_union_type: {
          const char* name = dwarf_diename(&child);
          classes.emplace_back(name != nullptr ? name : "");
          Walk(&child, classes);
          classes.pop_back();
          break;
        }
        case DW_TAG_subprogram:
          Subprogram(&child, classes);
          Walk(&child, classes);  // classes local to the function
          break;
        default:
          break;
      }
    } while (dwarf_siblingof(&child, &child) == 0);
  }

  void Subprogram(Dwarf_Die* die, const std::vector<std::string>& classes) {
    const Dwarf_Off offset = dwarf_dieoffset(die);
    const char* name = dwarf_diename(die);
    if (name != nullptr) declarations_[offset] = {Join(classes), name};
    Definition definition{offset, {}};
    if (Dwarf_Off target = ReferencedDeclaration(die); target != 0) {
      definition.Target = target;
      references_[offset] = target;
    }
    Dwarf_Addr rangeBase = 0, start = 0, end = 0;
    ptrdiff_t cursor = 0;
    const std::string unit = UnitName(dwarf_decl_file(die));
    while ((cursor = dwarf_ranges(die, cursor, &rangeBase, &start, &end)) > 0) {
      std::optional<std::uint32_t> from = Relative(start);
      std::optional<std::uint32_t> to = Relative(end);
      if (from && to && *from < *to) definition.Ranges.push_back({*from, *to, unit, Join(classes), name ? name : ""});
    }
    if (!definition.Ranges.empty()) definitions_.push_back(std::move(definition));
  }

  static Dwarf_Off ReferencedDeclaration(Dwarf_Die* die) {
    for (int attribute : {DW_AT_specification, DW_AT_abstract_origin}) {
      Dwarf_Attribute value;
      Dwarf_Die target;
      if (dwarf_attr(die, attribute, &value) != nullptr && dwarf_formref_die(&value, &target) != nullptr) {
        return dwarf_dieoffset(&target);
      }
    }
    return 0;
  }

  // Follows references (an inlined instance names an abstract one, which names the in-class
  // declaration) to the first declaration whose class is known, else the last with a name.
  const Declaration* Resolve(Dwarf_Off offset) const {
    const Declaration* named = nullptr;
    for (int depth = 0; depth < 8 && offset != 0; ++depth) {
      if (auto it = declarations_.find(offset); it != declarations_.end()) {
        named = &it->second;
        if (!named->Class.empty()) return named;
      }
      auto next = references_.find(offset);
      offset = next != references_.end() ? next->second : 0;
    }
    return named;
  }

  Dwarf_Addr base_;
  DebugTableSource& table_;
  std::unordered_map<Dwarf_Off, Declaration> declarations_;
  std::unordered_map<Dwarf_Off, Dwarf_Off> references_;
  std::vector<Definition> definitions_;
};

}  // namespace

std::optional<DebugTableSource> ReadDwarfTable(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  elf_version(EV_CURRENT);
  Elf* elf = elf_begin(fd, ELF_C_READ_MMAP, nullptr);
  std::optional<Dwarf_Addr> base = elf != nullptr ? LoadBase(elf) : std::nullopt;
  std::optional<DebugTableSource> table;
  if (base) {
    table.emplace();
    table->BuildId = ReadElfBuildId(path);
    if (Dwarf* dwarf = dwarf_begin_elf(elf, DWARF_C_READ, nullptr)) {
      DwarfWalker walker(*base, *table);
      Dwarf_CU* unit = nullptr;
      Dwarf_Die unitDie, subDie;
      Dwarf_Half version = 0;
      std::uint8_t unitType = 0;
      while (dwarf_get_units(dwarf, unit, &unit, &version, &unitType, &unitDie, &subDie) == 0) {
        if (unitType == DW_UT_compile || unitType == DW_UT_partial) walker.Unit(&unitDie);
      }
      walker.Finish();
      dwarf_end(dwarf);
    }
  }
  if (elf != nullptr) elf_end(elf);
  ::close(fd);
  return table;
}

}  // namespace kestrova
