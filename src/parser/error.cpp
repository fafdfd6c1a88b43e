#include "parser/error.hpp"

#include <cstring>

namespace lorvane {

std::string os_error_text(int errnum) {
  // The program never calls setlocale, so strerror gives the C locale's English text.
  std::string text = std::strerror(errnum);
  text += " (os error ";
  text += std::to_string(errnum);
  text += ')';
  return text;
}

Error os_error(std::string context, int errnum) {
  return Error::wrap(std::move(context), Error(os_error_text(errnum)));
}

}  // namespace lorvane
