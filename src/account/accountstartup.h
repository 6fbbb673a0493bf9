#pragma once

// How bringing the account plug-in into service ended.
enum class AccountStartup
{
    Started,
    ComponentMissing, // missing or not authentic: the user is told, then the program ends
    Failed,           // present but unusable: the program ends without a message
};
