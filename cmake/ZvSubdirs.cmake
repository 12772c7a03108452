# zv_add_all_subdirectories(): add every direct subfolder that has a CMakeLists.txt, in name order.
macro(zv_add_all_subdirectories)
    file(GLOB _zv_children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT _zv_children)
    foreach(_zv_child IN LISTS _zv_children)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_zv_child}/CMakeLists.txt)
            add_subdirectory(${_zv_child})
        endif()
    endforeach()
endmacro()
