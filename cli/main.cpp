#include <iostream>

#include "app.h"

int main(int argc, char** argv) {
  return vordex::cli::Run(argc, argv, std::cout, std::cerr);
}
