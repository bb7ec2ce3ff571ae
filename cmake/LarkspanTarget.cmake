# Settings every target of ours shares: warnings, strict Qt string handling,
# and function-pointer connects only.
function(larkspan_target_defaults target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast)
    if(LARKSPAN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII
        QT_NO_CAST_TO_ASCII
        QT_NO_URL_CAST_FROM_STRING
        QT_NO_CAST_FROM_BYTEARRAY
        QT_NO_SIGNALS_SLOTS_KEYWORDS
        QT_NO_KEYWORDS)
endfunction()
