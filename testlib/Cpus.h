// CPU affinity for tests that check what code does where the process may run on one CPU only.
#pragma once

namespace lumetra::testlib {

/// Pins the calling thread to the CPU it runs on now; threads it starts afterwards inherit that.
/// False when the system refused.
bool pinThisThreadToOneCpu();

/// The threads of this process now; -1 when that cannot be read.
int threadCount();

}  // namespace lumetra::testlib
