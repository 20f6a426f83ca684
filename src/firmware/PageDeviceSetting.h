// The device page: the logger's serial port, identification and firmware
// update.
#pragma once

#include <atomic>
#include <string>

#include "framework/Dialog.h"
#include "platform/SerialPort.h"
#include "platform/WinTypes.h"

class CPageDeviceSetting : public CDialog {
 public:
  // ---------------------------------------------------------------------
  // Serial port of the device link (methods in link/DevicePort*.cpp).
  // ---------------------------------------------------------------------
  BOOL OpenPort();
  BOOL EnsurePortOpen();
  // Reads the port and baud combos; defined with the page's controls.
  BOOL ApplyPortSelection();
  // The selection itself: port combo index and baud combo index (-1: none).
  BOOL ApplyPortSelection(int portIndex, int baudIndex);
  void SelectPortByIndex(int index);
  BOOL FindBridgePort();
  BOOL DetectBridgePort(std::string& portName);
  BOOL ReadPort(void* buffer, DWORD count, DWORD* read);
  BOOL WritePort(const void* buffer, DWORD count, DWORD* written);
  void PurgePort();
  BOOL ClosePortHandle();
  void ClosePort();
  BOOL ClosePortNoReset();
  void SetPortHighSpeed();
  void RestorePortSpeed();
  // Waits up to timeoutMs for data on the open port (the receive loop's
  // wait); false at once when the port is closed.
  BOOL WaitPortReadable(int timeoutMs);
  // errno of the last failed open or transfer, and a text a user can act on.
  int GetPortError() const { return m_comPort.LastError(); }
  std::string GetPortErrorText() const;
  // "$PMTK182" within the first 20 characters, and a field cut from it.
  char* FindLogReplyShort(char* text);
  char* GetLogReplyShortField(char* text, int offset, int count);

  std::string m_strComPort = "COM1";
  // Read by the receive thread while another thread may close the port.
  std::atomic<HANDLE> m_hComPort{nullptr};
  int m_nComBaud = 38400;
  // Set by the command layer's retry wrapper when a command is finished.
  BOOL m_bCommandDone = FALSE;

 private:
  BOOL ConfigureOpenPort(DWORD baud);
  SerialPort m_comPort;
  // ---------------------------------------------------------------------
  // End of the serial port block.
  // ---------------------------------------------------------------------
};
