# vexa_configure_manifest(OUTPUT NAME SETTINGS): writes the application manifest of one program
# from resources/application.manifest.in, with its assembly NAME, this build's processor
# architecture and the elements SETTINGS inside <windowsSettings>. The comments and the white
# space between elements are dropped: the manifest is stored in the program, and the stub has
# to stay within 64 KiB.
set(VEXA_MANIFEST_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/../resources/application.manifest.in)
function(vexa_configure_manifest output name settings)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VEXA_MANIFEST_ARCH amd64)
  else()
    set(VEXA_MANIFEST_ARCH x86)
  endif()
  set(VEXA_MANIFEST_NAME ${name})
  set(VEXA_MANIFEST_WINDOWS_SETTINGS ${settings})
  file(READ ${VEXA_MANIFEST_TEMPLATE} text)
  string(CONFIGURE "${text}" text @ONLY)
  # The template's comments hold no '>'.
  string(REGEX REPLACE "<!--[^>]*-->" "" text "${text}")
  string(REGEX REPLACE ">[ \t\r\n]+<" "><" text "${text}")
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
  string(STRIP "${text}" text)
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEXA_MANIFEST_TEMPLATE})
endfunction()
