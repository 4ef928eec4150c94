// What the program's entry does before the framework runs the application object: the resources
// and the two hosted components are registered. Shared by the program and its scripted test driver.
#pragma once

// False when the application object is missing from the build.
bool RegisterProgramParts();
