# zv_worker_test_dirs(<dir>): the folders a program that links the tablet worker needs beside
# it. The worker's configuration binding is built before main and ends the program unless
# <dir>/libs/libconfstore.so loads, and it reads and writes <dir>/res. libs links to the build's
# libraries; res is a real folder with links to the compiled description files, so per-model
# user files written by a test stay in the test's own folder and never touch dist/res.
function(zv_worker_test_dirs dir)
    file(MAKE_DIRECTORY ${dir}/res)
    if(NOT EXISTS ${dir}/libs AND NOT IS_SYMLINK ${dir}/libs)
        file(CREATE_LINK ${ZV_DIST_LIBS} ${dir}/libs SYMBOLIC)
    endif()
    foreach(f tablet.cfg pen.cfg layout_tablet.cfg layout_pen.cfg user.cfg)
        if(NOT IS_SYMLINK ${dir}/res/${f})
            file(CREATE_LINK ${ZV_DIST_DIR}/res/${f} ${dir}/res/${f} SYMBOLIC)
        endif()
    endforeach()
endfunction()

# The libraries and files such a program loads at run time.
set(ZV_WORKER_RUNTIME_DEPS confstore padsession_ble zvmodeldb_files tabletsim uinputcap)
