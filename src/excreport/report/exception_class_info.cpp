#include "excreport/report/exception_class_info.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <stdexcept>

namespace kestrova {
namespace {

bool IsBaseExceptionClass(const std::type_info& type) {
  return type == typeid(std::exception) || type == typeid(std::runtime_error);
}

std::string AncestorName(const std::type_info& type) {
  return IsBaseExceptionClass(type) ? std::string(kBaseExceptionClassName)
                                    : ExceptionClassName(type);
}

// Drops every "name::" qualifier outside template arguments.
std::string WithoutNamespaces(std::string_view name) {
  std::size_t depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '<' || name[i] == '(') ++depth;
    if ((name[i] == '>' || name[i] == ')') && depth > 0) --depth;
    if (depth == 0 && name.compare(i, 2, "::") == 0) start = i + 2;
  }
  return std::string(name.substr(start));
}

// Public direct bases from the ABI's class type information, in declaration order.
std::vector<const std::type_info*> PublicBases(const std::type_info& type) {
  std::vector<const std::type_info*> bases;
  if (auto single = dynamic_cast<const abi::__si_class_type_info*>(&type)) {
    bases.push_back(single->__base_type);
  } else if (auto multiple = dynamic_cast<const abi::__vmi_class_type_info*>(&type)) {
    for (unsigned i = 0; i < multiple->__base_count; ++i) {
      const abi::__base_class_type_info& base = multiple->__base_info[i];
      if (base.__offset_flags & abi::__base_class_type_info::__public_mask)
        bases.push_back(base.__base_type);
    }
  }
  return bases;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

bool ExceptionClassInfo::IsKindOf(std::string_view className) const {
  if (EqualNoCase(Name, className)) return true;
  return std::any_of(Ancestors.begin(), Ancestors.end(),
                     [&](const std::string& ancestor) { return EqualNoCase(ancestor, className); });
}

std::string ExceptionClassName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  return WithoutNamespaces(status == 0 && demangled ? demangled.get() : type.name());
}

ExceptionClassInfo DescribeExceptionClass(const std::type_info& type) {
  ExceptionClassInfo info{ExceptionClassName(type), {}};
  auto add = [&](std::string name) {
    if (std::find(info.Ancestors.begin(), info.Ancestors.end(), name) == info.Ancestors.end())
      info.Ancestors.push_back(std::move(name));
  };
  if (IsBaseExceptionClass(type)) add(std::string(kBaseExceptionClassName));
  std::deque<const std::type_info*> pending;
  for (const std::type_info* base : PublicBases(type)) pending.push_back(base);
  while (!pending.empty()) {
    const std::type_info* base = pending.front();
    pending.pop_front();
    add(AncestorName(*base));
    for (const std::type_info* next : PublicBases(*base)) pending.push_back(next);
  }
  return info;
}

std::optional<ExceptionClassInfo> DescribeException(const std::exception_ptr& exception) {
  if (!exception) return std::nullopt;
  const std::type_info* type = exception.__cxa_exception_type();
  if (type == nullptr) return std::nullopt;
  return DescribeExceptionClass(*type);
}

std::string ExceptionMessage(const std::exception_ptr& exception) {
  if (!exception) return {};
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return {};
  }
}

}  // namespace kestrova
