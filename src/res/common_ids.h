// Texts shared by every writer of the program's files.
#pragma once

#define IDS_OUTPUT_IS_TRACK 6300
#define IDS_CANNOT_OPEN 6301
#define IDS_CANNOT_READ 6302
#define IDS_CANNOT_WRITE 6303
#define IDS_CANNOT_CREATE 6318
