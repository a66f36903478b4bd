#include "velmora-soak/JackProbe.h"

#include <jack/jack.h>

namespace velmora::soak {

void quietenJack()
{
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
}

bool jackServerRuns()
{
    quietenJack();
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velmora-test-probe", JackNoStartServer, &status);
    if (client == nullptr)
        return false;
    jack_client_close(client);
    return true;
}

} // namespace velmora::soak
