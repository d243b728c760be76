# nyxml_generate(TARGET tgt SCHEMAS a.xsd [b.xsd ...] [NAMESPACE ns] [ROOT_ONLY])
#
# Runs the schema compiler (nyxml generate) at build time and adds the
# generated sources and their directory to the target. List every schema file
# of the set, the included and imported ones too: each gives one header and
# one source, and a change to any of them generates the code again. The first
# schema's source also holds CreateDocumentObject and CleanMetaData.
# ROOT_ONLY names only the first schema, with --root-only: only what its
# global elements reach is generated (the other files are still written).
function(nyxml_generate)
  cmake_parse_arguments(NYXML_GEN "ROOT_ONLY" "TARGET;NAMESPACE" "SCHEMAS" ${ARGN})
  if(NOT NYXML_GEN_TARGET OR NOT NYXML_GEN_SCHEMAS)
    message(FATAL_ERROR "nyxml_generate: TARGET and SCHEMAS are required")
  endif()
  if(TARGET nyxml_tool)
    set(generator $<TARGET_FILE:nyxml_tool>)
    set(generator_target nyxml_tool)
  elseif(NYXML_GENERATE_EXECUTABLE)
    set(generator ${NYXML_GENERATE_EXECUTABLE})
    set(generator_target)
  else()
    message(FATAL_ERROR "nyxml_generate: the nyxml tool is not available")
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/nyxml_generated/${NYXML_GEN_TARGET})
  set(outputs)
  set(schemas)
  foreach(schema IN LISTS NYXML_GEN_SCHEMAS)
    get_filename_component(path ${schema} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    get_filename_component(stem ${schema} NAME_WLE)
    list(APPEND schemas ${path})
    list(APPEND outputs ${dir}/${stem}.h ${dir}/${stem}.cpp)
  endforeach()
  set(namespace_args)
  if(NYXML_GEN_NAMESPACE)
    set(namespace_args --namespace ${NYXML_GEN_NAMESPACE})
  endif()
  set(named ${schemas})
  if(NYXML_GEN_ROOT_ONLY)
    # Only the first schema is named; the others are read through it.
    list(APPEND namespace_args --root-only)
    list(GET schemas 0 named)
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${generator} generate ${namespace_args} --output ${dir} ${named}
    COMMAND ${CMAKE_COMMAND} -E touch ${outputs}
    DEPENDS ${schemas} ${generator_target}
    COMMENT "Generating classes for ${NYXML_GEN_TARGET} from ${NYXML_GEN_SCHEMAS}"
    VERBATIM)
  target_sources(${NYXML_GEN_TARGET} PRIVATE ${outputs})
  target_include_directories(${NYXML_GEN_TARGET} PUBLIC ${dir})
endfunction()
