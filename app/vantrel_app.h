#pragma once

// The program from its first line to its last: the developer options, the
// single-instance rule before any Qt object, Qt with the picture check, the
// main window laid out hidden, the core's initialisation, the main loop, and
// the ordered end. Every way out says why in one line and ends with 1; a
// second start that handed its message over ends with 0.

namespace ombrex {

class CVantrelApp {
 public:
  int Run(int argc, char** argv);
};

}  // namespace ombrex
