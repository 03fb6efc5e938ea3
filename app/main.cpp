// ombrex: the keyboard configuration utility.

#include "app/vantrel_app.h"

int main(int argc, char** argv) {
  return ombrex::CVantrelApp().Run(argc, argv);
}
