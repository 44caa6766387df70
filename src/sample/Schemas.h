#pragma once

// The two applications' schemas (sample/schemas/source.sql and target.sql), embedded at build time.
namespace orrin::schemas {

// The Orrin application's database (zrv.accdb): the tables the run reads.
extern const char* const kSourceSchema;

// The Calvane application's database (LIC.mdb): the tables the run writes and the reference tables
// (plans, NewBonus, FINALBONUS) it reads. The bonus database beside the program uses it too.
extern const char* const kTargetSchema;

} // namespace orrin::schemas
