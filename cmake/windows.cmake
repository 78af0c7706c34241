# The Windows build (cross-compiled with cmake/mingw-w64.cmake, see
# scripts/build windows): running its programs under Wine, the folder of DLLs
# a program needs beside it, and the version resource of each executable.

include(${CMAKE_CURRENT_LIST_DIR}/windows_tests.cmake)

# mingw's GCC 12 warns, wrongly, that a string concatenated to a literal
# ("'" + value) overlaps itself when inlined at -O3 (a known fault of that
# compiler version); the Linux build, the same sources, stays fully warned.
add_compile_options(-Wno-restrict)

# Every test and every tool the build runs goes through Wine, with a Wine
# prefix of this build tree and the libraries' folders on Wine's search path.
find_program(ZARAROD_WINE wine REQUIRED)
set(ZARAROD_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
set(ZARAROD_MINGW_RUNTIME_DIRS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "the mingw runtime ${dll} was not found")
  endif()
  get_filename_component(dll_dir "${dll_path}" DIRECTORY)
  get_filename_component(dll_dir "${dll_dir}" REALPATH)
  list(APPEND ZARAROD_MINGW_RUNTIME_DIRS "${dll_dir}")
endforeach()
list(REMOVE_DUPLICATES ZARAROD_MINGW_RUNTIME_DIRS)
set(ZARAROD_DLL_DIRS ${ZARAROD_WINDOWS_PREFIX}/bin ${ZARAROD_WINDOWS_PREFIX}/lib/mariadb
    ${ZARAROD_MINGW_RUNTIME_DIRS})
list(JOIN ZARAROD_DLL_DIRS ":" ZARAROD_DLL_PATH)
configure_file(${PROJECT_SOURCE_DIR}/windows/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# The Linux build's zararod-cli, which the Windows program's results are
# held against (testing/windows_matches_linux.sh). scripts/build, which
# knows where the Linux tree is, passes it; without it that test is left out.
set(ZARAROD_LINUX_CLI "" CACHE FILEPATH
    "The Linux zararod-cli that the Windows one is compared with")

# The version resource of a program: the program's version and its name.
function(zr_windows_version_resource target description)
  set(ZR_DESCRIPTION "${description}")
  set(ZR_FILE_NAME "${target}.exe")
  configure_file(${PROJECT_SOURCE_DIR}/windows/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()

# After each build of the program, its folder gets every DLL it loads that is
# not part of Windows, and Qt's Windows platform plugin: the folder then runs
# as it stands, on a PC or under Wine.
function(zr_windows_runtime target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${PROJECT_SOURCE_DIR}/windows/stage-runtime $<TARGET_FILE:${target}>
            ${ZARAROD_WINDOWS_PREFIX}/plugins ${ZARAROD_DLL_DIRS}
    # Test programs built into the program's folder run on the offscreen
    # platform; Qt then looks for platform plugins in that folder only. (The
    # setup program's stage gets the Windows plugin alone.)
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${ZARAROD_WINDOWS_PREFIX}/plugins/platforms/qoffscreen.dll
            $<TARGET_FILE_DIR:${target}>/platforms/qoffscreen.dll
    VERBATIM)
endfunction()

# The setup program, build-windows/setupzararod.exe: the two programs staged
# with the DLLs they load into a folder of their own (no test's DLL gets in),
# then windows/make-setup. The staged zararod.exe keeps its build time, which
# is the stamp that scripts/publish-update announces.
function(zr_windows_setup)
  set(stage ${CMAKE_BINARY_DIR}/setup-stage)
  set(out ${CMAKE_BINARY_DIR}/setupzararod.exe)
  set(windows ${PROJECT_SOURCE_DIR}/windows)
  # The uninstaller's lines for the update check's files, from the check's
  # own list.
  set(update_files ${CMAKE_BINARY_DIR}/update-files.nsh)
  add_custom_command(OUTPUT ${update_files}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:zr_update_files_nsh> ${update_files}
    DEPENDS zr_update_files_nsh
    COMMENT "Listing the update check's files for the uninstaller"
    VERBATIM)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND cp -p $<TARGET_FILE:zararod> $<TARGET_FILE:zararod-cli> ${stage}/
    COMMAND ${windows}/stage-runtime ${stage}/zararod.exe ${ZARAROD_WINDOWS_PREFIX}/plugins
            ${ZARAROD_DLL_DIRS}
    COMMAND ${windows}/stage-runtime ${stage}/zararod-cli.exe ${ZARAROD_WINDOWS_PREFIX}/plugins
            ${ZARAROD_DLL_DIRS}
    COMMAND ${windows}/make-setup ${stage} ${out} ${PROJECT_VERSION} ${update_files}
    DEPENDS zararod zararod-cli ${update_files} ${windows}/setup.nsi ${windows}/make-setup
            ${windows}/check-imports ${windows}/stage-runtime ${windows}/import-walk.sh
    COMMENT "Making the setup program setupzararod.exe"
    VERBATIM)
  add_custom_target(setup ALL DEPENDS ${out})
  # Installs, keeps a site's files, waits for the running program, updates
  # through the update check and uninstalls, under Wine (windows/setup_test.sh).
  add_test(NAME setup_program
    COMMAND ${windows}/setup_test.sh ${stage} ${out} ${update_files}
            $<TARGET_FILE:zr_folder_rights> ${CMAKE_BINARY_DIR}/setup-test)
  set_tests_properties(setup_program PROPERTIES LABELS mariadb TIMEOUT 900)
endfunction()
