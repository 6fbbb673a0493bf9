// SANE unloads its backends at sane_exit(). The test backend stays mapped for the whole run
// of a scanner test, so that a leak report from inside it names the backend, not an unknown
// module (tests/support/lsan.supp suppresses its one known leak). Loaded locally: its symbols
// interpose nothing.
#include <dlfcn.h>

namespace {

[[maybe_unused]] void* const pinnedTestBackend =
    dlopen(DOKORA_SANE_TEST_BACKEND, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);

} // namespace
