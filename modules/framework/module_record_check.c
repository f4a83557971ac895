/* Compiles the public module record header as C11, so that a plug-in author's
 * C compiler sees the same record as the host (the header's size and offset
 * checks run here too). */
#include "include/zentrix/module_record.h"

/* The size of the record as seen from C, for a cross-language check. */
size_t ZtxModuleRecordSizeFromC(void);
size_t ZtxModuleRecordSizeFromC(void) { return sizeof(ModuleRecord); }
