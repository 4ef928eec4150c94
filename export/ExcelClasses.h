// Typed access to the spreadsheet server: one class per automation interface, holding only the
// members the export calls. Each member is one dispatch call; errors reach the caller as
// COleDispatchException or COleException.
#pragma once

#include <string>

#include "ole_dispatch_driver.h"

class _Application : public COleDispatchDriver {
public:
    using COleDispatchDriver::COleDispatchDriver;
    using COleDispatchDriver::operator=;

    void SetVisible(int visible);
    ole::IDispatch* GetWorkbooks();
    void Quit();
};

class Workbooks : public COleDispatchDriver {
public:
    using COleDispatchDriver::COleDispatchDriver;
    using COleDispatchDriver::operator=;

    ole::IDispatch* Add(const ole::VARIANT& templateArg);
};

class _Workbook : public COleDispatchDriver {
public:
    using COleDispatchDriver::COleDispatchDriver;
    using COleDispatchDriver::operator=;

    ole::IDispatch* GetWorksheets();
};

class Worksheets : public COleDispatchDriver {
public:
    using COleDispatchDriver::COleDispatchDriver;
    using COleDispatchDriver::operator=;

    ole::IDispatch* GetItem(const ole::VARIANT& index);
};

class _Worksheet : public COleDispatchDriver {
public:
    using COleDispatchDriver::COleDispatchDriver;
    using COleDispatchDriver::operator=;

    void SetName(const char* name);
    ole::IDispatch* GetCells();
};

class Range : public COleDispatchDriver {
public:
    using COleDispatchDriver::COleDispatchDriver;
    using COleDispatchDriver::operator=;

    void SetItem(const ole::VARIANT& rowIndex, const ole::VARIANT& columnIndex, const ole::VARIANT& value);
    void SetColumnWidth(const ole::VARIANT& width);
};
