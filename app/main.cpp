// Kestrel: moves FidoNet netmail between message areas by rules.
#include "app/kestrel_main.h"

int main(int argc, char** argv) {
  return kestrel::KestrelMain(argc, argv);
}
