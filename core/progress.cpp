#include "progress.h"

namespace packer {

Progress& progress() {
  thread_local Progress record;
  return record;
}

}  // namespace packer
