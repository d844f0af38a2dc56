# Project-wide warning set; KRV_WERROR turns every warning into an error.
function(krv_set_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
  if(KRV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
