// TPersistent: a settings group that can be copied from another object of its own class.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrova {

// Raised when a settings group is asked to copy an object of another class.
class EAssignError final : public std::invalid_argument {
 public:
  EAssignError(const std::string& sourceClass, const std::string& targetClass);
};

// Base of the port's settings groups. Copying takes over every setting directly (no setters,
// so nothing is applied by the copy itself) and never the owner reference.
class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  // Copies source's settings; raises EAssignError when source is of another class.
  virtual void Assign(const TPersistent& source) = 0;
  virtual const char* ClassName() const = 0;

 protected:
  // For Assign: source as this class, or EAssignError.
  template <typename Self>
  const Self& SameClass(const TPersistent& source) const {
    if (const auto* same = dynamic_cast<const Self*>(&source)) return *same;
    throw EAssignError(source.ClassName(), ClassName());
  }
  // Stores value in field; true when it differed.
  template <typename T>
  static bool Store(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
  }
};

}  // namespace kestrova
