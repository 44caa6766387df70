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
