// Exception class names and ancestry read from the C++ run-time type information.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

namespace kestrova {

// The name under which the handling flow's filters know the base exception class.
inline constexpr std::string_view kBaseExceptionClassName = "Exception";

// A class as the report and the class filters see it.
struct ExceptionClassInfo {
  // Demangled, without namespaces: kestrova::EConvertError reads "EConvertError".
  std::string Name;
  // The public base classes, nearest first (breadth first through multiple inheritance), each
  // once. std::exception and std::runtime_error are the base exception class and read
  // "Exception"; a class that is one of those two lists "Exception" here as well, so that a
  // filter for "Exception" takes every standard exception.
  std::vector<std::string> Ancestors;

  // True when `className` names this class or one of its ancestors. Class names compare
  // without regard to case, as the filter option's class names are written by hand.
  bool IsKindOf(std::string_view className) const;
};

ExceptionClassInfo DescribeExceptionClass(const std::type_info& type);

// The class of the object an exception_ptr holds; nullopt for an empty pointer.
std::optional<ExceptionClassInfo> DescribeException(const std::exception_ptr& exception);

// Demangled name without namespaces ("std::vector<int>" keeps its template arguments).
std::string ExceptionClassName(const std::type_info& type);

// what() of a std::exception; empty for any other object and for an empty pointer.
std::string ExceptionMessage(const std::exception_ptr& exception);

}  // namespace kestrova
