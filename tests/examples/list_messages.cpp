// Prints every text the program reports, one a line, from the program's own
// list, for the check that the documentation names them all. The texts that
// go before a word or a path keep their blanks and punctuation.
#include <iostream>
#include <string_view>

#include "model/messages.h"

int main() {
  for (const std::string_view message : msg::kLoading) std::cout << message << '\n';
  for (const std::string_view message : msg::kQuery) std::cout << message << '\n';
  for (const std::string_view message : msg::kRun) std::cout << message << '\n';
}
