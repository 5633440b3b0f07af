#include "runtime/system/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::system {

bool MakePipe(Pipe& pipe) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    pipe.read.reset(ends[0]);
    pipe.write.reset(ends[1]);
    return true;
}

} // namespace sondrel::system
