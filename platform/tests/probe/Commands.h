// The probe's commands: each takes the words after its name and answers the exit status.
#pragma once

namespace lumetra::probe {

/// fetch URL: the reply of URL through the program's downloader (8000 ms), on standard output.
int fetch(int argc, char** argv);

}  // namespace lumetra::probe
