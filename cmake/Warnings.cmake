# SPDX-License-Identifier: Apache-2.0
# ridev_warnings: the warning set every target of the project compiles with.
# Link it PRIVATE so the flags apply to the target's own sources only.
# RIDEV_WERROR turns every warning into an error (the test script's builds
# do; users get warnings only). Headers of GoogleTest, Google Benchmark and
# the system come in as system includes, so their warnings never count.
option(RIDEV_WERROR "Treat compiler warnings as errors" OFF)

add_library(ridev_warnings INTERFACE)
target_compile_options(ridev_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor
  $<$<BOOL:${RIDEV_WERROR}>:-Werror>)

# Links ridev_warnings into every target that compiles code in DIR and the
# directories below it, so a new library or program gets the set as well.
function(ridev_apply_warnings dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_link_libraries(${target} PRIVATE ridev_warnings)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    ridev_apply_warnings(${subdir})
  endforeach()
endfunction()
