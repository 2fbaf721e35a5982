@echo off
rem Registers Nelvo_data.dll, the class getuser_data (ProgID
rem Nelvo_data.getuser_data), so that scripts and programs can create it.
rem
rem   register.cmd            for the current user: no administrator rights
rem                           needed (programs run as administrator do not
rem                           see a registration made this way)
rem   register.cmd /machine   for all users: run it from a command prompt
rem                           opened with "Run as administrator"
rem
rem On 64-bit Windows it registers both DLLs, each with the regsvr32 of its
rem own bitness: x64\Nelvo_data.dll for 64-bit programs, x86\Nelvo_data.dll
rem for 32-bit ones. On 32-bit Windows it registers x86\Nelvo_data.dll only.
rem It says what it did and exits with 0; if a registration fails it undoes
rem the ones it made and exits with 1. unregister.cmd undoes it.
setlocal EnableExtensions
set "here=%~dp0"
set "mode=%~1"
if "%mode%"=="" set "mode=/user"
if not "%~2"=="" goto usage
if /i "%mode%"=="/user" (
    set "how=/n /i:user"
    set "whom=the current user"
) else if /i "%mode%"=="/machine" (
    set "how="
    set "whom=all users"
) else (
    goto usage
)

rem A 32-bit command prompt on 64-bit Windows reaches the 64-bit System32
rem through Sysnative.
set "system=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "system=%SystemRoot%\Sysnative"
set "registered_x64="
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" (
    call :register x64 "%system%\regsvr32.exe" 64-bit
    if errorlevel 1 goto failed
    call :register x86 "%SystemRoot%\SysWOW64\regsvr32.exe" 32-bit
    if errorlevel 1 goto failed
) else (
    call :register x86 "%system%\regsvr32.exe" 32-bit
    if errorlevel 1 goto failed
)
echo Nelvo_data.getuser_data is registered for %whom%.
exit /b 0

:failed
if defined registered_x64 (
    "%system%\regsvr32.exe" /s /u %how% "%here%x64\Nelvo_data.dll"
    if errorlevel 1 (
        >&2 echo register.cmd: x64\Nelvo_data.dll could not be unregistered again; run unregister.cmd.
    ) else (
        echo Undone: x64\Nelvo_data.dll is no longer registered.
    )
)
exit /b 1

rem :register FOLDER REGSVR32 BITNESS
:register
set "dll=%here%%~1\Nelvo_data.dll"
if not exist "%dll%" (
    >&2 echo register.cmd: %dll% is missing.
    exit /b 1
)
"%~2" /s %how% "%dll%"
set "rc=%errorlevel%"
if not "%rc%"=="0" goto register_failed
echo Registered %~1\Nelvo_data.dll (%~3) for %whom%.
if /i "%~1"=="x64" set "registered_x64=1"
exit /b 0
:register_failed
>&2 echo register.cmd: regsvr32 could not register %~1\Nelvo_data.dll (%~3) for %whom% (exit code %rc%).
if /i "%mode%"=="/machine" >&2 echo Registering for all users needs a command prompt opened with "Run as administrator".
exit /b 1

:usage
>&2 echo usage: register.cmd [/machine]
exit /b 2
