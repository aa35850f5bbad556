// A process whose files and memory are its user's alone: what it creates is
// readable by nobody else, and it leaves no core file that would hold the
// secrets in its memory (session cookies) wherever it crashed.
#pragma once

namespace platform {

void MakeProcessPrivate();

}  // namespace platform
