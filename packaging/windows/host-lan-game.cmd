@echo off
rem Hosts a LAN game: starts the server with --lan in a console window of its
rem own and, once it listens with its map, a LAN client on this computer that
rem connects to it by address. Both read map\ and imgs\ from this folder, so
rem they start here. A server that cannot start starts no client: its line is
rem repeated here. When the client ends, the server is ended too, and the
rem launcher ends with the client's exit code.
setlocal
cd /d "%~dp0"
set "ready=%TEMP%\tilegame-ready-%RANDOM%%RANDOM%.txt"
if exist "%ready%" del "%ready%"
set "title=tilegame LAN server"
start "%title%" server.exe --lan --ready-file "%ready%"
rem The server writes the file once its start-up has ended, either way.
set tries=0
:wait
if exist "%ready%" goto started
set /a tries+=1
if %tries% gtr 20 goto silent
ping -n 2 127.0.0.1 >nul
goto wait

:started
set "line="
set /p line=<"%ready%"
del "%ready%"
if not "%line%"=="ready" goto failed
start "" /wait client.exe --lan --host 127.0.0.1
set status=%errorlevel%
call :end_server
exit /b %status%

:failed
echo The server could not start: %line%
echo No client was started.
pause
exit /b 1

:silent
echo The server did not start within 20 seconds. No client was started.
pause
exit /b 1

rem As when its console window is closed: the server ends with its clean-up,
rem or by force if the console does not close. Wine's taskkill finds a
rem process by its name only: there every server.exe of the session ends.
:end_server
reg query "HKCU\Software\Wine" >nul 2>&1 && (
  taskkill /f /im server.exe >nul 2>&1
  exit /b
)
taskkill /fi "WINDOWTITLE eq %title%" >nul 2>&1 || taskkill /f /fi "WINDOWTITLE eq %title%" >nul 2>&1
exit /b
