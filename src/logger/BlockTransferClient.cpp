#include "logger/BlockTransferClient.h"

#include "framework/Messages.h"

void CBlockTransferClient::PumpMainDialog() { AfxPumpMessages(); }
