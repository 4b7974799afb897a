@echo off
rem Joins a LAN game: starts a LAN client, which finds the game on the local
rem network. From a command prompt, join-lan-game.cmd NAME connects to the
rem computer NAME (a name or an IPv4 address) instead. The client reads map\
rem and imgs\ from this folder, so it starts here.
setlocal
cd /d "%~dp0"
if "%~1"=="" (
  start "" client.exe --lan
) else (
  start "" client.exe --lan --host "%~1"
)
exit /b 0
