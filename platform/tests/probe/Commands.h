// The probe's commands: each takes the words after its name and answers the exit status.
#pragma once

namespace lumetra::probe {

/// fetch URL: the reply of URL through the program's downloader (8000 ms), on standard output.
int fetch(int argc, char** argv);
/// monitors: each monitor with its rectangle and work area, and the virtual screen.
int monitors(int argc, char** argv);
/// capture X Y W H FILE: a screen rectangle as a PNG file.
int capture(int argc, char** argv);
/// running: another running copy of this probe, if any.
int running(int argc, char** argv);

}  // namespace lumetra::probe
