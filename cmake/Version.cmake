# The one version of the project, from project(... VERSION): tarn_version.h
# for every program's --version and the About box, and the names and
# metadata of the packages (packaging/package.cmake, scripts/release.sh read
# the same project() line).
configure_file("${CMAKE_CURRENT_LIST_DIR}/tarn_version.h.in"
               "${PROJECT_BINARY_DIR}/generated/tarn_version.h" @ONLY)
add_library(tarn_version INTERFACE)
target_include_directories(tarn_version INTERFACE "${PROJECT_BINARY_DIR}/generated")
