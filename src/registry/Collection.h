// The ordered collection regEnum returns: texts read by position, 1 to Count.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/AppError.h"
#include "common/ErrorCatalog.h"

namespace pw {

class Collection {
 public:
  void Add(std::string item) { items_.push_back(std::move(item)); }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises kErrSubscriptOutOfRange for a position outside 1..Count.
  const std::string& Item(int index) const {
    if (index < 1 || index > Count()) {
      throw AppError(kErrSubscriptOutOfRange, "Collection");
    }
    return items_[static_cast<std::size_t>(index - 1)];
  }

 private:
  std::vector<std::string> items_;
};

}  // namespace pw
