# Stands for a machine without Google Benchmark: ahead of every installed package configuration,
# find_package(benchmark) finds nothing, and fails as usual when the package is REQUIRED.
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(benchmark REQUIRED_VARS benchmark_NOT_INSTALLED)
