// The C# compiler runs the IDE makes while it starts (100 build).
#pragma once

#include "ide/HostedCompiler.h"

namespace emuide {

// With -csc:<folder> on the command line: writes the IDE's generated XML
// serializer sources DynXmlSerializer1.cs and DynXmlSerializer2.cs into
// <folder> (-cscsource:<text> changes what they hold) and builds each with
// the C# compiler in the IDE's bin folder, as the IDE does: CreateProcessW
// with the quoted compiler path and a UTF-8 response file (byte-order mark,
// /out:"<folder>\DynXmlSerializer<n>.dll"), then waiting for it. Logs for
// each
//   process <file name of the program that ran> exit=<code> ms=<time>
//   serializer <assembly file name> bytes=<n> hash=<hex> | serializer <name> missing
void CompileSerializers(LogFunction log);

}  // namespace emuide
