# One warning list for every target of the project.
function(sparkler_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion-null)
endfunction()
