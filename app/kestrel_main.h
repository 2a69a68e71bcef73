// The program body, callable from main and from tests.
#pragma once

namespace kestrel {

// Runs Kestrel with the command line and returns the process exit code.
int KestrelMain(int argc, char** argv);

}  // namespace kestrel
