// The real program under a limit on its address space, as cluster schedulers set one: a run
// must end normally and print what it prints without the limit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/files.h"

namespace korva {
namespace {

// AddressSanitizer, as GCC and as Clang announce it.
#if defined(__SANITIZE_ADDRESS__)
#define KORVA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVA_TEST_ASAN 1
#endif
#endif
#ifdef KORVA_TEST_ASAN
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Runs korva with args under "ulimit -v kb" (no limit when kb is 0); a run that does not end
// within the timeout is killed and reported as status 124.
testing::cmdResult runLimited(const std::string& args, int kb) {
  const std::string dir = testing::makeTempDir();
  const std::string limit = kb > 0 ? "ulimit -v " + std::to_string(kb) + " && " : "";
  const std::string cmd = "cd '" + dir + "' && timeout 120 sh -c '" + limit + "exec \"" +
                          KORVA_BIN + "\" " + args + "' > out 2> err < /dev/null";
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing::readFile(dir + "/out"),
          testing::readFile(dir + "/err")};
}

// 100,000 kB is well above what a run needs, and below what a threaded BLAS reserves for its
// threads at start-up: the steric run needs no BLAS, the nonlinear fit does.
TEST(MemoryLimit, RunsEndNormallyUnderAnAddressSpaceLimit) {
  if (kSanitized) GTEST_SKIP() << "the sanitizer's shadow memory does not fit under the limit";
  const std::string files = "-pdb \"" + testing::sourcePath("examples/ubiquitin-2mjb.pdb") +
                            "\" -inD \"" +
                            testing::sourcePath("examples/ubiquitin-nh-bicelle.tab") + "\"";
  for (const std::string mode : {"", "-bestFit -nofixed "}) {
    SCOPED_TRACE(mode);
    const testing::cmdResult free = runLimited(mode + files, 0);
    const testing::cmdResult limited = runLimited(mode + files, 100000);
    EXPECT_EQ(limited.status, 0);
    EXPECT_EQ(limited.out, free.out);
    EXPECT_EQ(limited.err, free.err);
  }
}

}  // namespace
}  // namespace korva
