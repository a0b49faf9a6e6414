// A list of strings that reports each change to its owner.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrova {

// Holds the filter lists of the report options. OnChange runs after every change; the owner
// sets it once and outlives the list. Not thread-safe.
class TNotifyStringList final {
 public:
  TNotifyStringList() = default;
  TNotifyStringList(const TNotifyStringList&) = delete;
  TNotifyStringList& operator=(const TNotifyStringList&) = delete;

  std::function<void()> OnChange;

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& Strings() const { return items_; }

  void Add(std::string item);
  void Insert(int index, std::string item);
  void Put(int index, std::string item);
  void Delete(int index);
  void Clear();
  void Assign(std::vector<std::string> items);

 private:
  void Changed() const;

  std::vector<std::string> items_;
};

}  // namespace kestrova
