file(READ ${SCHEMA_DIR}/source.sql SOURCE_SQL)
file(READ ${SCHEMA_DIR}/target.sql TARGET_SQL)
file(WRITE ${OUT} "// Generated from sample/schemas/*.sql; do not edit.\n#include \"sample/Schemas.h\"\n\nnamespace orrin::schemas {\n\nconst char* const kSourceSchema = R\"orrinsql(${SOURCE_SQL})orrinsql\";\n\nconst char* const kTargetSchema = R\"orrinsql(${TARGET_SQL})orrinsql\";\n\n} // namespace orrin::schemas\n")
