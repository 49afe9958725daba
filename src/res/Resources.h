#pragma once

// Registers the pictures compiled into the program (":/images/..."). A static library's
// resources are not registered by themselves.
void InitResources();
