#pragma once

namespace httplib {
class Server;
}

class ConversionService;
class TaskStore;

// What a load balancer and an operator look at: /healthz answers while the instance serves,
// /metrics gives its queue and conversion figures in the Prometheus text format.
class HealthRoutes
{
public:
    HealthRoutes(TaskStore& tasks, ConversionService& conversions);
    void Register(httplib::Server& server);

private:
    TaskStore& tasks;
    ConversionService& conversions;
};
