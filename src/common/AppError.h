// The program's numbered error (number, source, description), raised where the callers trap it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "common/ErrorCatalog.h"

namespace pw {

class AppError : public std::runtime_error {
 public:
  AppError(std::int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}
  // The error with the catalogue's text for its number.
  AppError(std::int32_t number, std::string source)
      : AppError(number, std::move(source), std::string(ErrorText(number))) {}

  std::int32_t Number() const { return number_; }
  const std::string& Source() const { return source_; }
  const std::string& Description() const { return description_; }

 private:
  std::int32_t number_;
  std::string source_;
  std::string description_;
};

}  // namespace pw
