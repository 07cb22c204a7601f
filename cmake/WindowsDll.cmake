# QCXApi.dll: one file that imports only Windows system DLLs (the C and C++
# runtimes and winpthreads linked in), exporting the names of
# camera/api/QCXApi.def undecorated. On 32-bit Windows the exports are
# __stdcall, whose symbols carry "@<argument bytes>"; the linker's stdcall
# fix-up matches them to the plain names of the .def file, and the import
# library, made by dlltool from camera/api/QCXApi-i686.def, maps what a C
# client's compiler asks for ("_QCX_Init@0") to the plain exported name.
set(QCX_DEF_FILE ${PROJECT_SOURCE_DIR}/camera/api/QCXApi.def)
target_sources(qcxapi PRIVATE ${QCX_DEF_FILE})
target_link_options(qcxapi PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--enable-stdcall-fixup
                    -Wl,--no-undefined)
set_target_properties(qcxapi PROPERTIES OUTPUT_NAME QCXApi PREFIX "" IMPORT_PREFIX lib IMPORT_SUFFIX .dll.a)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_program(QCX_DLLTOOL NAMES ${QCX_MINGW_TRIPLET}-dlltool dlltool REQUIRED)
  set(QCX_IMPORT_DEF_FILE ${PROJECT_SOURCE_DIR}/camera/api/QCXApi-i686.def)
  add_custom_command(TARGET qcxapi POST_BUILD
    COMMAND ${QCX_DLLTOOL} -k -d ${QCX_IMPORT_DEF_FILE} -D QCXApi.dll -l $<TARGET_LINKER_FILE:qcxapi>
    COMMENT "Import library of QCXApi.dll from QCXApi-i686.def"
    VERBATIM)
  set_property(TARGET qcxapi APPEND PROPERTY LINK_DEPENDS ${QCX_IMPORT_DEF_FILE})
endif()
set_property(TARGET qcxapi APPEND PROPERTY LINK_DEPENDS ${QCX_DEF_FILE})
