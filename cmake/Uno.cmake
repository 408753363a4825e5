# Interface target for the office's UNO C++ API (LibreOffice 7.x from Debian).
#
# The C++ headers for the UNO types are generated at build time with the SDK's cppumaker from the
# office's own type libraries, so they always match the installed office. Only the types that
# src/platform/office uses are generated (cppumaker adds the types they depend on), which keeps
# the step to a few seconds. Code linking `sf_uno` gets the generated and the SDK headers as
# SYSTEM includes, the platform defines, the URE libraries and an rpath to the office's program
# directory, where the URE finds its bridges at run time.

set(SF_OFFICE_DIR "/usr/lib/libreoffice" CACHE PATH "LibreOffice installation directory")
set(SF_OFFICE_PROGRAM_DIR "${SF_OFFICE_DIR}/program")
set(SF_UNO_SDK_DIR "${SF_OFFICE_DIR}/sdk")

find_program(SF_CPPUMAKER cppumaker PATHS "${SF_UNO_SDK_DIR}/bin" NO_DEFAULT_PATH)
if(NOT SF_CPPUMAKER)
  message(FATAL_ERROR "cppumaker not found in ${SF_UNO_SDK_DIR}/bin: install libreoffice-dev "
    "(tools/setup)")
endif()

set(SF_UNO_TYPE_LIBRARIES "${SF_OFFICE_PROGRAM_DIR}/types.rdb"
  "${SF_OFFICE_PROGRAM_DIR}/types/offapi.rdb")
foreach(rdb ${SF_UNO_TYPE_LIBRARIES})
  if(NOT EXISTS "${rdb}")
    message(FATAL_ERROR "UNO type library ${rdb} not found: install libreoffice-impress-nogui")
  endif()
endforeach()

# The UNO types the presentation layer uses.
set(SF_UNO_TYPES
  com.sun.star.uno.XComponentContext
  com.sun.star.uno.DeploymentException
  com.sun.star.uno.XWeak
  com.sun.star.uno.XAggregation
  com.sun.star.lang.XTypeProvider
  com.sun.star.lang.XMultiComponentFactory
  com.sun.star.lang.XMultiServiceFactory
  com.sun.star.lang.XComponent
  com.sun.star.lang.XServiceInfo
  com.sun.star.lang.DisposedException
  com.sun.star.lang.IllegalArgumentException
  com.sun.star.lang.IndexOutOfBoundsException
  com.sun.star.bridge.UnoUrlResolver
  com.sun.star.connection.NoConnectException
  com.sun.star.frame.Desktop
  com.sun.star.frame.XDesktop2
  com.sun.star.frame.XComponentLoader
  com.sun.star.frame.TerminationVetoException
  com.sun.star.beans.PropertyValue
  com.sun.star.beans.XPropertySet
  com.sun.star.container.XEnumerationAccess
  com.sun.star.container.XIndexAccess
  com.sun.star.drawing.XDrawPagesSupplier
  com.sun.star.drawing.XDrawPages
  com.sun.star.drawing.XDrawPage
  com.sun.star.drawing.XShapes
  com.sun.star.drawing.XShape
  com.sun.star.drawing.GraphicExportFilter
  com.sun.star.presentation.XPresentationPage
  com.sun.star.text.XText
  com.sun.star.text.XTextRange
  com.sun.star.util.XModifiable
  com.sun.star.util.XCloseable
  com.sun.star.util.CloseVetoException
  com.sun.star.document.XExporter
  com.sun.star.document.XFilter
  com.sun.star.document.MacroExecMode
  com.sun.star.document.UpdateDocMode
  com.sun.star.task.XInteractionHandler
  com.sun.star.task.XInteractionRequest
  com.sun.star.task.XInteractionAbort
  com.sun.star.task.XInteractionApprove
  com.sun.star.frame.XStorable
  com.sun.star.beans.NamedValue
  com.sun.star.task.XInteractionContinuation
  com.sun.star.io.IOException
  com.sun.star.drawing.FillStyle
  com.sun.star.drawing.XMasterPageTarget
  com.sun.star.beans.XPropertySetInfo
  com.sun.star.text.XTextField
  com.sun.star.util.DateTime
  com.sun.star.table.XCellRange
  com.sun.star.table.XColumnRowRange
  com.sun.star.table.XTableRows
  com.sun.star.table.XTableColumns
)

set(SF_UNO_GENERATED_DIR "${CMAKE_BINARY_DIR}/uno-headers")
set(SF_UNO_STAMP "${SF_UNO_GENERATED_DIR}/generated.stamp")
file(MAKE_DIRECTORY "${SF_UNO_GENERATED_DIR}")

set(sf_uno_type_args "")
foreach(t ${SF_UNO_TYPES})
  list(APPEND sf_uno_type_args "-T${t}")
endforeach()

add_custom_command(
  OUTPUT "${SF_UNO_STAMP}"
  COMMAND "${SF_CPPUMAKER}" -Gc "-O${SF_UNO_GENERATED_DIR}" ${sf_uno_type_args}
          ${SF_UNO_TYPE_LIBRARIES}
  COMMAND "${CMAKE_COMMAND}" -E touch "${SF_UNO_STAMP}"
  DEPENDS ${SF_UNO_TYPE_LIBRARIES} "${CMAKE_CURRENT_LIST_FILE}"
  COMMENT "Generating UNO C++ headers with cppumaker"
  VERBATIM)
add_custom_target(sf_uno_headers DEPENDS "${SF_UNO_STAMP}")

set(sf_uno_libs "")
foreach(lib uno_cppu uno_cppuhelpergcc3 uno_sal uno_salhelpergcc3)
  find_library(SF_LIB_${lib} ${lib} PATHS "${SF_UNO_SDK_DIR}/lib" "${SF_OFFICE_PROGRAM_DIR}"
    NO_DEFAULT_PATH)
  if(NOT SF_LIB_${lib})
    message(FATAL_ERROR "URE library ${lib} not found under ${SF_OFFICE_DIR}")
  endif()
  list(APPEND sf_uno_libs "${SF_LIB_${lib}}")
endforeach()

add_library(sf_uno INTERFACE)
add_dependencies(sf_uno sf_uno_headers)
target_include_directories(sf_uno SYSTEM INTERFACE "${SF_UNO_GENERATED_DIR}"
  "${SF_UNO_SDK_DIR}/include")
target_compile_definitions(sf_uno INTERFACE LINUX UNX CPPU_ENV=gcc3
  SF_OFFICE_PROGRAM_DIR="${SF_OFFICE_PROGRAM_DIR}")
target_link_libraries(sf_uno INTERFACE ${sf_uno_libs})
target_link_options(sf_uno INTERFACE "LINKER:-rpath,${SF_OFFICE_PROGRAM_DIR}")
