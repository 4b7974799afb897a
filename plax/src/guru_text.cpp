// Result codes and their fixed texts, from one table.
#include <iterator>

#include "plax/plax.h"

namespace {

struct GuruText {
  PLAX_Result code;
  const char* text;
};

constexpr GuruText kGuruTexts[] = {
    {PLAX_GURU_NO_ERROR, "No error"},
    {PLAX_GURU_UNKNOWN_ERROR, "Unknown error"},
    {PLAX_GURU_UNKNOWN_EVENT_ID, "Unknown EventID"},
    {PLAX_GURU_NO_SOCKET, "No Socket found in 'V_SOCKET'"},
    {PLAX_GURU_CANT_CREATE_SOCKET, "Can't create socket"},
    {PLAX_GURU_CANT_BIND, "Can't bind port on socket"},
    {PLAX_GURU_CANT_LISTEN, "Can't set socket into listening-mode"},
    {PLAX_GURU_ALREADY_INITIALIZED, "Socket is already initalized"},
    {PLAX_GURU_MAX_SIM_CON_REQ_RANGE, "'V_MaxSimConReq' is out of range"},
    {PLAX_GURU_PORT_RANGE, "Port out of range"},
    {PLAX_GURU_CANT_RESOLVE, "Can't resolve IPA from host"},
    {PLAX_GURU_CANT_CONNECT, "Can't connect to remote computer [Timeout?]"},
    {PLAX_GURU_ID_NOT_FOUND, "PLAX-ID not found"},
    {PLAX_GURU_MISSING_EVENT, "Missing pointer of 'V_Event...'"},
    {PLAX_GURU_IPA_ALREADY_LISTED, "IPA already in list"},
    {PLAX_GURU_IPA_NOT_LISTED, "IPA is not in list"},
    {PLAX_GURU_CALLBACK_ERROR, "Return error in callback"},
    {PLAX_GURU_IPA_NOT_FOUND, "IPA not found"},
    {PLAX_GURU_SEND_ERROR,
     "Error while sending data. Not sure all data transmitted. Maybe connection lost or "
     "disconnected"},
    {PLAX_GURU_NOT_A_SERVER, "PLAXID is not a server"},
    {PLAX_GURU_NO_IPV6, "No IPV6 supportet!"},
};

}  // namespace

std::string PLAX_GURUText(PLAX_Result code) {
  for (const GuruText& entry : kGuruTexts) {
    if (entry.code == code) return entry.text;
  }
  return "Unknown GURU-Code";
}
