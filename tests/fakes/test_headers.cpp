// The compile that parses the tests' shared headers once (see CMakeLists.txt).
