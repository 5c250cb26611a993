// full_workspace DIR [COUNT]: makes DIR a working directory of the application with a CSV export of
// COUNT valid subjects (32,766 unless said), for the figures of nerovale-batch.
#include <cstdlib>
#include <iostream>

#include "full_table.h"

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::cerr << "uso: full_workspace CARTELLA [SOGGETTI]\n";
    return 2;
  }
  const int count = argc > 2 ? std::atoi(argv[2]) : nerovale::SubjectTable::kMaxSubjects - 1;
  nerovale::benchmarks::MakeWorkspace(NEROVALE_SOURCE_DIR, argv[1], count);
  return 0;
}
