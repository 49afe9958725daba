#pragma once

// Trees for tests and benchmarks, made and removed through descriptors, so that no depth is too
// deep for them (paths far beyond PATH_MAX). No test framework here: the benchmarks use it too.

#include <string>

namespace test {

// Makes `depth` nested folders, each named `name`, inside folder, and an empty file "leaf" in
// the deepest. False, with errno, when the system refuses.
bool MakeChain(const std::string& folder, int depth, const std::string& name);

// Removes path and everything below it however deep, giving folders the rights removal needs.
// A path that is not there is no error.
void RemoveTree(const std::string& path);

} // namespace test
