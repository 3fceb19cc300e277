# Our own code builds with warnings as errors; JUCE's headers come in as
# system headers and are not held to it.
function(vr_set_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        -Wconversion -Wno-sign-conversion -Werror)
endfunction()
