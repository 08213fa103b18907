#include "http/ozkHTTP_Classes.h"

TozkHTTPComponent_Base::TozkHTTPComponent_Base(TComponent* AOwner) : TComponent(AOwner) {}
TozkHTTPComponent_Base::~TozkHTTPComponent_Base() = default;

TozkHTTPComponentClient_Base::TozkHTTPComponentClient_Base(TComponent* AOwner)
    : TozkHTTPComponent_Base(AOwner) {}
TozkHTTPComponentClient_Base::~TozkHTTPComponentClient_Base() = default;
