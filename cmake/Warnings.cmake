# One warning list for every target of the project; SPARKLER_WERROR (CI sets it) makes every
# warning an error.
option(SPARKLER_WERROR "Treat compiler warnings as errors" OFF)
function(sparkler_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion-null)
  if(SPARKLER_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
