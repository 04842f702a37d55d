# vtr_help_page(SHARED OWN OUTPUT FORBIDDEN): writes the help page OUTPUT from the text
# both programs share (SHARED) and the sections of one program's own (OWN).
#
# In SHARED a line "<!-- platform: NAME -->" stands where that program's section NAME
# goes. OWN is a run of such sections, each opened by the same line; what comes before
# the first one is a note to whoever edits it and is dropped. A section that OWN does not
# have leaves nothing; a section of OWN that SHARED does not name is an error, so that no
# text is lost to a misspelt name. So is a page that matches FORBIDDEN (a regular
# expression for what only the other program has). OUTPUT is written only when it
# changes; an edit of either file makes the next build run CMake again.
set(VTR_HELP_MARK_OPEN "<!-- platform: ")
set(VTR_HELP_MARK_CLOSE " -->\n")

function(vtr_help_page shared own output forbidden)
    file(READ ${shared} page)
    file(READ ${own} rest)
    string(LENGTH "${VTR_HELP_MARK_OPEN}" open_length)
    string(LENGTH "${VTR_HELP_MARK_CLOSE}" close_length)
    string(FIND "${rest}" "${VTR_HELP_MARK_OPEN}" at)
    while(at GREATER_EQUAL 0)
        math(EXPR name_at "${at} + ${open_length}")
        string(SUBSTRING "${rest}" ${name_at} -1 rest)
        string(FIND "${rest}" "${VTR_HELP_MARK_CLOSE}" name_end)
        if(name_end LESS 0)
            message(FATAL_ERROR "${own}: a \"${VTR_HELP_MARK_OPEN}\" line is not closed")
        endif()
        string(SUBSTRING "${rest}" 0 ${name_end} name)
        math(EXPR text_at "${name_end} + ${close_length}")
        string(SUBSTRING "${rest}" ${text_at} -1 rest)
        string(FIND "${rest}" "${VTR_HELP_MARK_OPEN}" at)
        string(SUBSTRING "${rest}" 0 ${at} text)
        set(mark "${VTR_HELP_MARK_OPEN}${name}${VTR_HELP_MARK_CLOSE}")
        string(FIND "${page}" "${mark}" used)
        if(used LESS 0)
            message(FATAL_ERROR "${own}: section \"${name}\" has no place in ${shared}")
        endif()
        string(REPLACE "${mark}" "${text}" page "${page}")
    endwhile()
    # The places this program has nothing for.
    string(REGEX REPLACE "${VTR_HELP_MARK_OPEN}[^\n]*${VTR_HELP_MARK_CLOSE}" "" page "${page}")
    if(page MATCHES "${forbidden}")
        message(FATAL_ERROR "${output} would say \"${CMAKE_MATCH_0}\", which only the other "
                            "program has: keep it out of ${shared} and ${own}")
    endif()
    file(WRITE ${output}.new "${page}")
    file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT)
    file(REMOVE ${output}.new)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${shared} ${own})
endfunction()
