// The one error type the engine raises. Its message is one of the engine's
// fixed English texts (Windows-1251 bytes where a field name or file name is
// inserted), possibly prefixed by the dataset ("Error opening table: ").
#pragma once

#include <stdexcept>
#include <string>

namespace ridov {

class TRidovDataset;

class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const std::string& message, const TRidovDataset* component = nullptr)
        : std::runtime_error(message), component_(component) {}

    // The dataset the error belongs to, or null (parser, record store).
    const TRidovDataset* Component() const noexcept { return component_; }

  private:
    const TRidovDataset* component_;
};

}  // namespace ridov
