// Builds the registry that the build stages for tests and the demo.
#include <cstdio>
#include <string>

#include "internal/oid_build.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  std::string error;
  if (OID__BuildRegistry(argv[1], &error) != 0) {
    fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  return 0;
}
