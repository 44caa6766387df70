# Turns the schema files into string constants of orrin_core (see sample/Schemas.h).
set(ORRIN_SCHEMA_DIR ${CMAKE_CURRENT_SOURCE_DIR}/sample/schemas)
set(ORRIN_SCHEMA_CPP ${CMAKE_CURRENT_BINARY_DIR}/generated/EmbeddedSchemas.cpp)
add_custom_command(
  OUTPUT ${ORRIN_SCHEMA_CPP}
  COMMAND ${CMAKE_COMMAND} -DSCHEMA_DIR=${ORRIN_SCHEMA_DIR} -DOUT=${ORRIN_SCHEMA_CPP}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/sample/WriteSchemas.cmake
  DEPENDS ${ORRIN_SCHEMA_DIR}/source.sql ${ORRIN_SCHEMA_DIR}/target.sql
          ${CMAKE_CURRENT_SOURCE_DIR}/sample/WriteSchemas.cmake
  COMMENT "Embedding the database schemas")
target_sources(orrin_sample PRIVATE ${ORRIN_SCHEMA_CPP})

# The empty Access databases the Access form starts from (data/templates/), built into the program.
set(ORRIN_TEMPLATE_DIR ${PROJECT_SOURCE_DIR}/data/templates)
set(ORRIN_TEMPLATE_CPP ${CMAKE_CURRENT_BINARY_DIR}/generated/EmbeddedTemplates.cpp)
add_custom_command(
  OUTPUT ${ORRIN_TEMPLATE_CPP}
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE_DIR=${ORRIN_TEMPLATE_DIR} -DOUT=${ORRIN_TEMPLATE_CPP}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/sample/WriteTemplates.cmake
  DEPENDS ${ORRIN_TEMPLATE_DIR}/empty-ace-2010.accdb ${ORRIN_TEMPLATE_DIR}/empty-jet4-2003.mdb
          ${CMAKE_CURRENT_SOURCE_DIR}/sample/WriteTemplates.cmake
  COMMENT "Embedding the empty Access databases")
target_sources(orrin_sample PRIVATE ${ORRIN_TEMPLATE_CPP})
