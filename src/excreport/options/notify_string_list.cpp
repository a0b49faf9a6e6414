#include "excreport/options/notify_string_list.h"

#include <stdexcept>

namespace kestrova {

void TNotifyStringList::Add(std::string item) {
  items_.push_back(std::move(item));
  Changed();
}

void TNotifyStringList::Insert(int index, std::string item) {
  if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
  items_.insert(items_.begin() + index, std::move(item));
  Changed();
}

void TNotifyStringList::Put(int index, std::string item) {
  items_.at(static_cast<std::size_t>(index)) = std::move(item);
  Changed();
}

void TNotifyStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  items_.erase(items_.begin() + index);
  Changed();
}

void TNotifyStringList::Clear() {
  items_.clear();
  Changed();
}

void TNotifyStringList::Assign(std::vector<std::string> items) {
  items_ = std::move(items);
  Changed();
}

void TNotifyStringList::Changed() const {
  if (OnChange) OnChange();
}

}  // namespace kestrova
